// dup and dup2 for the tests under Node on the real file system (NODERAWFS). Emscripten 3.1.6
// duplicates a descriptor by opening its path again and closes the Node descriptor under every
// copy it closes: dup(2) fails (the standard streams have no path), and dup2(file, 2) closes
// Node's own standard error and then cannot reopen a file made with O_EXCL. GoogleTest's
// CaptureStderr does exactly these. Here a copy shares its original's Node descriptor and file
// offset, as on POSIX, and the Node descriptor is closed with the last stream on it.
mergeInto(LibraryManager.library, {
  $qxShareStream__deps: ['$FS'],
  $qxShareStream: function(fd, newFd) {
    var old = FS.getStream(fd);
    if (!old) throw new FS.ErrnoError({{{ cDefine('EBADF') }}});
    if (!FS.qxExtraStreams) {
      // Node descriptor -> streams on it beyond the first.
      FS.qxExtraStreams = {};
      var closeLast = FS.close;
      FS.close = function(stream) {
        var extra = FS.qxExtraStreams[stream.nfd];
        if (!extra || stream.stream_ops) return closeLast(stream);
        FS.qxExtraStreams[stream.nfd] = extra - 1;
        FS.closeStream(stream.fd);
        stream.fd = null;
      };
    }
    if (old.stream_ops || old.nfd === undefined) {
      // Not on the real file system: emscripten's own way.
      return FS.open(old.path, old.flags, 0, newFd, newFd).fd;
    }
    if (newFd === undefined) {
      newFd = FS.nextfd();
    } else if (FS.getStream(newFd)) {
      FS.close(FS.getStream(newFd));
    }
    if (!old.qxOffset) {
      var offset = { position: old.position };
      Object.defineProperty(old, 'position', {
        get: function() { return offset.position; },
        set: function(value) { offset.position = value; },
        enumerable: true, configurable: true
      });
      old.qxOffset = offset;
    }
    var copy = Object.assign({}, old);
    Object.defineProperty(copy, 'position', Object.getOwnPropertyDescriptor(old, 'position'));
    copy.fd = newFd;
    FS.streams[newFd] = copy;
    FS.qxExtraStreams[old.nfd] = (FS.qxExtraStreams[old.nfd] || 0) + 1;
    return newFd;
  },

  __syscall_dup__deps: ['$qxShareStream'],
  __syscall_dup: function(fd) {
    try {
      return qxShareStream(fd);
    } catch (e) {
      if (typeof FS == 'undefined' || !(e instanceof FS.ErrnoError)) throw e;
      return -e.errno;
    }
  },

  __syscall_dup3__deps: ['$qxShareStream'],
  __syscall_dup3: function(fd, suggestFD, flags) {
    try {
      if (fd === suggestFD) return -{{{ cDefine('EINVAL') }}};
      return qxShareStream(fd, suggestFD);
    } catch (e) {
      if (typeof FS == 'undefined' || !(e instanceof FS.ErrnoError)) throw e;
      return -e.errno;
    }
  },
});
