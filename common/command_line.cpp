#include "common/command_line.hpp"

#include <cstdio>
#include <cstring>

namespace pipeline {

bool is_help_request(int argc, const char* const* argv)
{
    if (argc != 2)
        return false;
    const std::string_view word = argv[1];
    return word == "--help" || word == "-h" || word == "--aide";
}

bool answered_help(int argc, const char* const* argv, Writer& screen, const char* usage)
{
    if (!is_help_request(argc, argv))
        return false;
    screen.text(usage);
    return true;
}

std::string decimal_comma(std::string_view word)
{
    std::string text(word);
    int integer = 0, decimals = 0;
    if (Reader::over_text(word).scan("%i,%i", integer, decimals) == 2)
        text[text.find(',')] = '.';
    return text;
}

void diagnose(Writer& screen, std::string_view program, std::string_view message)
{
    screen.flush();
    std::string line;
    line.reserve(program.size() + message.size() + 4);
    line.append(program).append(" : ");
    for (const char c : message) // a word typed with a line end in it stays on the one line
        line.push_back(c == '\n' || c == '\r' ? ' ' : c);
    line.push_back('\n');
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

std::string system_reason(int error)
{
    return error == 0 ? std::string("cause inconnue") : std::string(std::strerror(error));
}

void diagnose_file(Writer& screen, std::string_view program, std::string_view failure, std::string_view file,
                   int error)
{
    std::string message(failure);
    message.append(" ").append(file).append(" : ").append(system_reason(error));
    diagnose(screen, program, message);
}

} // namespace pipeline
