#include <cstdio>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "app/cli/CliApp.h"

#ifdef _WIN32
#include "platform/PathEncoding.h"
#endif

namespace {

// `readArguments` gives the arguments after the program's name, in UTF-8 on Windows.
template <class ReadArguments>
int runGuarded(const ReadArguments& readArguments) {
    try {
        const std::vector<std::string> texts = readArguments();
        const std::vector<std::string_view> arguments(texts.begin(), texts.end());
        return zemrik::cli::runCli(arguments);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "zemrik-cli: %s\n", error.what());
    } catch (...) {
        std::fprintf(stderr, "zemrik-cli: unexpected failure\n");
    }
    return zemrik::cli::kExitRunFailed;
}

}  // namespace

#ifdef _WIN32

// The command line as UTF-16 (-municode), so that a name outside the ANSI
// code page reaches the program whole; UTF-8 from here on, paths included.
int wmain(int argc, wchar_t** argv) {
    zemrik::platform::setPathEncoding(zemrik::platform::PathEncoding::Utf8);
    return runGuarded([&] {
        std::vector<std::string> texts;
        for (int index = 1; index < argc; ++index) texts.push_back(zemrik::platform::utf8FromWide(argv[index]));
        return texts;
    });
}

#else

int main(int argc, char** argv) {
    return runGuarded([&] { return std::vector<std::string>(argv + 1, argv + argc); });
}

#endif
