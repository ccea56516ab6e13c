// The outcome of reading one file: success, or a failure with a short
// plain-English reason that a caller shows next to the file's name.
#pragma once

class NefOutcome {
public:
    static NefOutcome Success() { return NefOutcome(nullptr); }
    static NefOutcome Failure(const char* reason) { return NefOutcome(reason); }

    bool Succeeded() const { return m_reason == nullptr; }
    explicit operator bool() const { return Succeeded(); }

    // Empty on success; otherwise e.g. "no maker note in this file".
    const char* Reason() const { return m_reason ? m_reason : ""; }

private:
    explicit NefOutcome(const char* reason) : m_reason(reason) {}
    const char* m_reason;  // a string literal, or null for success
};
