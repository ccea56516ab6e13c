#include "nef_outcome.h"

const char* NefProblemText(NefProblem problem)
{
    switch (problem) {
    case NefProblem::kNone: return "";
    case NefProblem::kCannotOpen: return "cannot open the file";
    case NefProblem::kNotAFile: return "not a regular file";
    case NefProblem::kUnreadable: return "the file could not be read";
    case NefProblem::kTooShort: return "the file is too short to be a NEF file";
    case NefProblem::kFirstDirectoryTruncated: return "the file ends inside its first directory";
    case NefProblem::kModelOutside: return "the camera model lies outside the file";
    case NefProblem::kDateOutside: return "the shooting date lies outside the file";
    case NefProblem::kNoExifDirectory: return "no Exif directory in this file";
    case NefProblem::kExifDirectoryOutside: return "the Exif directory lies outside the file";
    case NefProblem::kNoMakerNote: return "no maker note in this file";
    case NefProblem::kMakerNoteTruncated: return "the file ends inside the maker note";
    case NefProblem::kNoShutterCount: return "the maker note holds no shutter count";
    case NefProblem::kNoJpegExif: return "no Exif data in this JPEG file";
    case NefProblem::kJpegSegmentTruncated: return "the file ends inside a JPEG segment";
    case NefProblem::kJpegMalformed: return "the JPEG segments are malformed";
    case NefProblem::kJpegExifNotTiff: return "the Exif data in this JPEG file is not TIFF-structured";
    case NefProblem::kNotNefOrJpeg: return "not a NEF or JPEG file";
    case NefProblem::kPermissionDenied: return "permission denied";
    case NefProblem::kNoSuchFile: return "no such file";
    case NefProblem::kPathTooLong: return "the path is too long";
    case NefProblem::kFolder: return "a folder, not a file";
    case NefProblem::kInUse: return "in use by another program";
    case NefProblem::kTooManyOpenFiles: return "too many files are open";
    case NefProblem::kShutterCountNotRecorded: return "the camera recorded no shutter count for this file";
    case NefProblem::kDngPrivateDataOutside: return "the DNG private data lies outside the file";
    case NefProblem::kDngPrivateDataMalformed: return "the DNG private data is malformed";
    case NefProblem::kDngMakerNoteNotNikon: return "the DNG private data holds no Nikon maker note";
    case NefProblem::kLinkLoop: return "too many levels of symbolic links";
    case NefProblem::kNetworkUnavailable: return "the network share cannot be reached";
    case NefProblem::kCount: break;
    }
    return "an unknown problem";
}
