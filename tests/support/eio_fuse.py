#!/usr/bin/python3
"""A pass-through file system whose file flushes fail: every fsync and
fdatasync of a file answers EIO, as a failing USB stick or a share that lost
its server does. Everything else goes through to the backing folder.

Usage: eio_fuse.py BACKING MOUNTPOINT  (stays in the foreground; unmount
with fusermount -u MOUNTPOINT)."""

import errno
import os
import sys

from fusepy import FUSE, FuseOSError, Operations


class FailingFlushes(Operations):
    def __init__(self, root):
        self.root = os.path.realpath(root)

    def _full(self, path):
        return os.path.join(self.root, path.lstrip("/"))

    def getattr(self, path, fh=None):
        st = os.lstat(self._full(path))
        return {key: getattr(st, key) for key in (
            "st_mode", "st_nlink", "st_uid", "st_gid", "st_size",
            "st_atime", "st_mtime", "st_ctime")}

    def readdir(self, path, fh):
        return [".", ".."] + os.listdir(self._full(path))

    def access(self, path, mode):
        if not os.access(self._full(path), mode):
            raise FuseOSError(errno.EACCES)

    def chmod(self, path, mode):
        os.chmod(self._full(path), mode)

    def chown(self, path, uid, gid):
        os.lchown(self._full(path), uid, gid)

    def utimens(self, path, times=None):
        os.utime(self._full(path), times, follow_symlinks=False)

    def readlink(self, path):
        return os.readlink(self._full(path))

    def symlink(self, target, source):
        os.symlink(source, self._full(target))

    def link(self, target, source):
        os.link(self._full(source), self._full(target))

    def mkdir(self, path, mode):
        os.mkdir(self._full(path), mode)

    def rmdir(self, path):
        os.rmdir(self._full(path))

    def unlink(self, path):
        os.unlink(self._full(path))

    def rename(self, old, new):
        os.rename(self._full(old), self._full(new))

    def statfs(self, path):
        st = os.statvfs(self._full(path))
        return {key: getattr(st, key) for key in (
            "f_bavail", "f_bfree", "f_blocks", "f_bsize", "f_favail",
            "f_ffree", "f_files", "f_flag", "f_frsize", "f_namemax")}

    def open(self, path, flags):
        return os.open(self._full(path), flags)

    def create(self, path, mode, fi=None):
        return os.open(self._full(path), os.O_RDWR | os.O_CREAT | os.O_EXCL, mode)

    def read(self, path, size, offset, fh):
        return os.pread(fh, size, offset)

    def write(self, path, data, offset, fh):
        return os.pwrite(fh, data, offset)

    def truncate(self, path, length, fh=None):
        if fh is None:
            os.truncate(self._full(path), length)
        else:
            os.ftruncate(fh, length)

    def flush(self, path, fh):
        return 0

    def release(self, path, fh):
        os.close(fh)

    def fsync(self, path, datasync, fh):
        raise FuseOSError(errno.EIO)

    def fsyncdir(self, path, datasync, fh):
        return 0


# hard_remove: a file removed while still open goes at once, instead of
# standing as a hidden file until its release arrives.
if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    FUSE(FailingFlushes(sys.argv[1]), sys.argv[2], foreground=True, nothreads=True,
         hard_remove=True)
