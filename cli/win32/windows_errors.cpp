#include "windows_errors.h"

#include <windows.h>

#include <cerrno>

#include "nef_outcome.h"

int ErrnoFromWindows(unsigned long error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME: return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT: return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
    case ERROR_PIPE_NOT_CONNECTED: return EPIPE;
    case ERROR_INVALID_HANDLE: return EBADF;
    case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
    case ERROR_TOO_MANY_OPEN_FILES: return EMFILE;
    case ERROR_DIRECTORY: return ENOTDIR;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME: return EINVAL;
    default: return EIO;
    }
}

namespace {

bool NetworkUnreachable(unsigned long error)
{
    switch (error) {
    case ERROR_BAD_NETPATH:
    case ERROR_NETNAME_DELETED:
    case ERROR_BAD_NET_NAME:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_UNEXP_NET_ERR:
    case ERROR_REM_NOT_LIST:
    case ERROR_NETWORK_UNREACHABLE:
    case ERROR_NO_NET_OR_BAD_PATH:
    case ERROR_NOT_CONNECTED:
    case ERROR_CONNECTION_ABORTED:
    case ERROR_NETWORK_ACCESS_DENIED: return true;
    default: return false;
    }
}

}  // namespace

std::string WindowsCause(unsigned long error)
{
    if (NetworkUnreachable(error))
        return NefProblemText(NefProblem::kNetworkUnavailable);
    switch (error) {
    case ERROR_CANT_RESOLVE_FILENAME: return NefProblemText(NefProblem::kLinkLoop);
    case ERROR_NOT_READY: return "the drive is not ready";
    case ERROR_INVALID_DRIVE: return "no such drive";
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME: return "not a name Windows allows";
    case ERROR_CANT_ACCESS_FILE: return "Windows cannot open this kind of file";
    default: return "";
    }
}

std::string WindowsFolderProblem(unsigned long error)
{
    switch (error) {
    case ERROR_ACCESS_DENIED: return "permission denied";
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_DIRECTORY: return "no such folder";
    case ERROR_FILENAME_EXCED_RANGE: return "the path is too long";
    case ERROR_TOO_MANY_OPEN_FILES: return "too many files are open";
    default: break;
    }
    const std::string cause = WindowsCause(error);
    return cause.empty() ? "cannot read the folder (Windows error " + std::to_string(error) + ")" : cause;
}
