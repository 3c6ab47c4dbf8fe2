// chess_main over standard input and output.
import { runProgram } from './node_console.mjs';

runProgram('chess_main');
