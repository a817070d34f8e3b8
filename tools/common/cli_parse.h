// Command-line parsing shared by the companion programs: CLI11 reads the
// line, and what it refuses becomes one sentence in the programs' own words.
#pragma once

#include <string>

#include <CLI/CLI.hpp>

// Parses argc/argv into app. Returns an empty string on success, otherwise
// the complaint to print: an option at the end of the line, or followed by
// another option, is named as waiting for its value.
inline std::string cli_parse(CLI::App& app, int argc, char** argv)
{
    try {
        app.parse(argc, argv);
    } catch (const CLI::ArgumentMismatch& e) {
        std::string what = e.what();
        for (const CLI::Option* opt : app.get_options()) {
            std::string name = opt->get_name();
            if (what.compare(0, name.size() + 1, name + ":") == 0)
                return name + " attend une valeur";
        }
        return what;
    } catch (const CLI::ParseError& e) {
        return e.what();
    }
    return std::string();
}
