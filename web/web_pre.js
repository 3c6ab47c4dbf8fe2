// Runs inside each program's module before main: one thread for the search
// (the page has no shared memory), the caller's set-up of the file system,
// and, under Node, files opened as the program asks for them.
//
// A program that waits for input returns from main long after the module
// started it, so a caller that gives webEnded has main started here and is
// told when it returns, with its status.
if (Module['webEnded']) {
  Module['noInitialRun'] = true;
  Module['onRuntimeInitialized'] = function () {
    Promise.resolve(ccall('main', 'number', ['number', 'number'], [0, 0], { async: true }))
      .then(Module['webEnded']);
  };
}
Module['preRun'] = (Module['preRun'] || []).concat(function () {
  // One search thread in the page; the benchmark reads no environment.
  if (typeof ENV !== 'undefined') ENV['CHESS_THREADS'] = '1';
  if (typeof NODEFS !== 'undefined' && typeof process === 'object' && process.versions.node) {
    // A FIFO opened without O_NONBLOCK waits for a writer; keep the flag the
    // program gives so such a file is refused at once, as natively.
    var plainFlags = NODEFS.flagsForNode;
    NODEFS.flagsForNode = function (flags) {
      return plainFlags(flags) | ((flags & 2048) ? require('fs').constants.O_NONBLOCK : 0);
    };
    // The module cannot show a FIFO or a device and takes the name for a
    // free one; creating a file there would open the FIFO and wait.
    var plainMknod = NODEFS.node_ops.mknod;
    NODEFS.node_ops.mknod = function (parent, name, mode, dev) {
      try {
        require('fs').lstatSync(PATH.join2(NODEFS.realPath(parent), name));
      } catch (e) {
        return plainMknod(parent, name, mode, dev);
      }
      throw new FS.ErrnoError(ERRNO_CODES.EEXIST);
    };
  }
  if (Module['webSetup']) {
    Module['webSetup']({
      FS: FS,
      NODEFS: typeof NODEFS !== 'undefined' ? NODEFS : null,
      addRunDependency: addRunDependency,
      removeRunDependency: removeRunDependency,
    });
  }
});
