#include "stdafx.h"

#include "problem_strings.h"
#include "resource.h"

UINT ProblemStringId(NefProblem problem)
{
    switch (problem)
    {
    case NefProblem::kCannotOpen: return IDS_PROBLEM_CANNOT_OPEN;
    case NefProblem::kNotAFile: return IDS_PROBLEM_NOT_A_FILE;
    case NefProblem::kUnreadable: return IDS_PROBLEM_UNREADABLE;
    case NefProblem::kTooShort: return IDS_PROBLEM_TOO_SHORT;
    case NefProblem::kFirstDirectoryTruncated: return IDS_PROBLEM_FIRST_IFD_TRUNCATED;
    case NefProblem::kModelOutside: return IDS_PROBLEM_MODEL_OUTSIDE;
    case NefProblem::kDateOutside: return IDS_PROBLEM_DATE_OUTSIDE;
    case NefProblem::kNoExifDirectory: return IDS_PROBLEM_NO_EXIF_IFD;
    case NefProblem::kExifDirectoryOutside: return IDS_PROBLEM_EXIF_IFD_OUTSIDE;
    case NefProblem::kNoMakerNote: return IDS_PROBLEM_NO_MAKER_NOTE;
    case NefProblem::kMakerNoteTruncated: return IDS_PROBLEM_MAKER_NOTE_TRUNCATED;
    case NefProblem::kNoShutterCount: return IDS_PROBLEM_NO_SHUTTER_COUNT;
    case NefProblem::kNoJpegExif: return IDS_PROBLEM_NO_JPEG_EXIF;
    case NefProblem::kJpegSegmentTruncated: return IDS_PROBLEM_JPEG_TRUNCATED;
    case NefProblem::kJpegMalformed: return IDS_PROBLEM_JPEG_MALFORMED;
    case NefProblem::kJpegExifNotTiff: return IDS_PROBLEM_JPEG_EXIF_NOT_TIFF;
    case NefProblem::kNotNefOrJpeg: return IDS_PROBLEM_NOT_NEF_OR_JPEG;
    case NefProblem::kPermissionDenied: return IDS_PROBLEM_PERMISSION_DENIED;
    case NefProblem::kNoSuchFile: return IDS_PROBLEM_NO_SUCH_FILE;
    case NefProblem::kPathTooLong: return IDS_PROBLEM_PATH_TOO_LONG;
    case NefProblem::kFolder: return IDS_PROBLEM_FOLDER;
    case NefProblem::kInUse: return IDS_PROBLEM_IN_USE;
    case NefProblem::kTooManyOpenFiles: return IDS_PROBLEM_TOO_MANY_OPEN_FILES;
    case NefProblem::kShutterCountNotRecorded: return IDS_PROBLEM_COUNT_NOT_RECORDED;
    case NefProblem::kDngPrivateDataOutside: return IDS_PROBLEM_DNG_DATA_OUTSIDE;
    case NefProblem::kDngPrivateDataMalformed: return IDS_PROBLEM_DNG_DATA_MALFORMED;
    case NefProblem::kDngMakerNoteNotNikon: return IDS_PROBLEM_DNG_NOTE_NOT_NIKON;
    case NefProblem::kLinkLoop: return IDS_PROBLEM_LINK_LOOP;
    case NefProblem::kNetworkUnavailable: return IDS_PROBLEM_NETWORK_UNAVAILABLE;
    case NefProblem::kNone:
    case NefProblem::kCount:
        break;
    }
    return 0;
}
