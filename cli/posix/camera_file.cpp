#include "camera_file.h"

NefOutcome ReadCameraFile(const std::string& path, NefReadout& readout, std::string& reason)
{
    const NefOutcome outcome = ReadNefFile(path.c_str(), readout);
    reason = outcome.Reason();
    return outcome;
}
