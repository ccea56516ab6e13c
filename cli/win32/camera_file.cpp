#include "camera_file.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <io.h>

#include "bounded_stream.h"
#include "windows_errors.h"
#include "windows_paths.h"

namespace {

// What a failed read leaves: no counts and no texts of an earlier file.
void ClearReadout(NefReadout& readout)
{
    std::memset(readout.m_header, 0, sizeof readout.m_header);
    readout.m_mechanicalCount = readout.m_electronicCount = readout.m_totalCount = 0;
    readout.m_shootingDate.clear();
    readout.m_camera.clear();
    readout.m_serialNumber.clear();
    readout.m_bMechanicalFound = 0;
}

NefOutcome Failed(NefProblem problem, std::string& reason, NefReadout& readout, const std::string& cause = {})
{
    ClearReadout(readout);
    const NefOutcome outcome = NefOutcome::Failure(problem);
    reason = cause.empty() ? outcome.Reason() : cause;
    return outcome;
}

NefOutcome OpenFailed(DWORD error, const std::wstring& path, std::string& reason, NefReadout& readout)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return Failed(NefProblem::kNoSuchFile, reason, readout);
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return Failed(NefProblem::kInUse, reason, readout);
    case ERROR_FILENAME_EXCED_RANGE: return Failed(NefProblem::kPathTooLong, reason, readout);
    case ERROR_TOO_MANY_OPEN_FILES: return Failed(NefProblem::kTooManyOpenFiles, reason, readout);
    case ERROR_ACCESS_DENIED: {
        // A folder cannot be opened as a file at all; only on this failure
        // is the path looked up a second time, to say so.
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            return Failed(NefProblem::kFolder, reason, readout);
        return Failed(NefProblem::kPermissionDenied, reason, readout);
    }
    default: break;
    }
    const std::string cause = WindowsCause(error);
    return Failed(NefProblem::kCannotOpen, reason, readout,
                  cause.empty() ? "cannot open the file (Windows error " + std::to_string(error) + ")" : cause);
}

}  // namespace

// Shared with readers only, as the dialog opens files: a file that another
// program is writing is not read half-written, it is reported as in use.
NefOutcome ReadCameraFile(const std::string& path, NefReadout& readout, std::string& reason)
{
    if (const char* problem = WindowsNameProblem(path))
        return Failed(NefProblem::kCannotOpen, reason, readout, problem);
    const std::wstring system = SystemPath(path);
    const HANDLE handle = CreateFileW(system.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return OpenFailed(GetLastError(), system, reason, readout);
    // A pipe or a device is refused before anything is read from it.
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        CloseHandle(handle);
        return Failed(NefProblem::kNotAFile, reason, readout);
    }
    // The reader reads through a C runtime stream; the stream owns the
    // handle from here on and closes it.
    const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
    if (descriptor < 0) {
        CloseHandle(handle);
        return Failed(NefProblem::kTooManyOpenFiles, reason, readout);
    }
    std::FILE* file = _fdopen(descriptor, "rb");
    if (!file) {
        _close(descriptor);
        return Failed(NefProblem::kTooManyOpenFiles, reason, readout);
    }
    BoundedStream stream;
    switch (stream.Attach(file)) {
    case OpenResult::kOk: break;
    case OpenResult::kFolder: return Failed(NefProblem::kFolder, reason, readout);
    case OpenResult::kNotAFile: return Failed(NefProblem::kNotAFile, reason, readout);
    default: return Failed(NefProblem::kCannotOpen, reason, readout);
    }
    const NefOutcome outcome = ReadNefStream(stream, readout);
    reason = outcome.Reason();
    return outcome;
}
