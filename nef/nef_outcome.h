// The outcome of reading one file: success, or a failure with the problem
// that stopped it. Each problem has a short plain-English reason that a
// caller shows next to the file's name; a front end with texts of its own
// (the dialog's string table) chooses its words by the problem instead.
#pragma once

enum class NefProblem {
    kNone,
    kCannotOpen,
    kNotAFile,
    kUnreadable,
    kTooShort,
    kFirstDirectoryTruncated,
    kModelOutside,
    kDateOutside,
    kNoExifDirectory,
    kExifDirectoryOutside,
    kNoMakerNote,
    kMakerNoteTruncated,
    kNoShutterCount,
    kNoJpegExif,
    kJpegSegmentTruncated,
    kJpegMalformed,
    kJpegExifNotTiff,
    kNotNefOrJpeg,
    kPermissionDenied,
    kNoSuchFile,
    kPathTooLong,
    kFolder,
    kInUse,
    kTooManyOpenFiles,
    kShutterCountNotRecorded,
    kDngPrivateDataOutside,
    kDngPrivateDataMalformed,
    kDngMakerNoteNotNikon,
    kLinkLoop,
    kNetworkUnavailable,
    kCount  // not a problem: the number of values above
};

// The plain-English reason for a problem, e.g. "no maker note in this
// file"; empty for kNone.
const char* NefProblemText(NefProblem problem);

class NefOutcome {
public:
    static NefOutcome Success() { return NefOutcome(NefProblem::kNone); }
    static NefOutcome Failure(NefProblem problem) { return NefOutcome(problem); }

    bool Succeeded() const { return m_problem == NefProblem::kNone; }
    explicit operator bool() const { return Succeeded(); }

    NefProblem Problem() const { return m_problem; }
    // Empty on success.
    const char* Reason() const { return NefProblemText(m_problem); }

private:
    explicit NefOutcome(NefProblem problem) : m_problem(problem) {}
    NefProblem m_problem;
};
