// searchbench under Node: searchbench.mjs DEPTH [THREADS [POSITION]].
import { runProgram } from './node_console.mjs';

runProgram('searchbench', process.argv.slice(2));
