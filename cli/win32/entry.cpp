// tessmar.exe takes its arguments as the wide characters the system hands
// over, so that names in any script arrive whole whatever the ANSI code
// page, and passes them on as UTF-8 (WTF-8 for a lone surrogate).
#include <string>
#include <vector>

#include "run_tessmar.h"
#include "wide_text.h"

// Arguments as given: no wildcard expansion by the C runtime.
extern "C" {
int _dowildcard = 0;
}

int wmain(int argc, wchar_t** argv)
{
    std::vector<std::string> arguments;
    arguments.reserve(static_cast<std::size_t>(argc));
    for (int i = 0; i < argc; ++i)
        arguments.push_back(Wtf8FromWide(argv[i]));
    std::vector<char*> pointers;
    for (std::string& argument : arguments)
        pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    return RunTessmar(argc, pointers.data());
}
