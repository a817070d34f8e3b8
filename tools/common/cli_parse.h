// Command-line parsing shared by the companion programs: CLI11 reads the
// line, and what it refuses becomes one sentence in the programs' own words.
#pragma once

#include <string>
#include <vector>

#include <CLI/CLI.hpp>

namespace cli_detail {

// s begins with head: the rest after it in rest
inline bool after(const std::string& s, const std::string& head, std::string& rest)
{
    if (s.compare(0, head.size(), head) != 0)
        return false;
    rest = s.substr(head.size());
    return true;
}

// s is "<a><mid><b>", split at the first mid
inline bool split(std::string s, const std::string& mid, std::string& a, std::string& b)
{
    size_t k = s.find(mid);
    if (k == std::string::npos)
        return false;
    a = s.substr(0, k);
    b = s.substr(k + mid.size());
    return true;
}

// a bound as the user wrote it: CLI11 prints doubles with six decimals
inline std::string bound(std::string v)
{
    if (v.find('.') != std::string::npos) {
        v.erase(v.find_last_not_of('0') + 1);
        if (v.back() == '.')
            v.pop_back();
    }
    return v;
}

// the option or positional named at the start of what, ended by ':' or ' '
inline const CLI::Option* named(const CLI::App& app, const std::string& what)
{
    for (const CLI::Option* opt : app.get_options()) {
        const std::string name = opt->get_name();
        if (what.size() > name.size() && what.compare(0, name.size(), name) == 0 &&
            (what[name.size()] == ':' || what[name.size()] == ' '))
            return opt;
    }
    for (const CLI::App* sub : app.get_subcommands({}))
        if (const CLI::Option* opt = named(*sub, what))
            return opt;
    return nullptr;
}

// the subcommands a user may type, "run ou collect"
inline std::string choices(const CLI::App& app)
{
    std::vector<std::string> names;
    for (const CLI::App* sub : app.get_subcommands({}))
        if (!sub->get_group().empty())
            names.push_back(sub->get_name());
    std::string s;
    for (size_t k = 0; k < names.size(); ++k)
        s += (k == 0 ? "" : k + 1 == names.size() ? " ou " : ", ") + names[k];
    return s;
}

} // namespace cli_detail

// An argument the programs do not know: an option if it starts with a dash.
inline std::string cli_extra(const std::string& arg)
{
    return (!arg.empty() && arg[0] == '-' ? "option inconnue : " : "argument en trop : ") + arg;
}

// What CLI11 refused, in the programs' words: the option and the value it
// names, and what was expected. A text not recognised is kept as CLI11 wrote
// it rather than lost.
inline std::string cli_message(const CLI::ParseError& e, const CLI::App& app)
{
    using namespace cli_detail;
    const std::string what = e.what();
    std::string a, b;
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&e)) {
        if (const CLI::Option* opt = named(app, what))
            return opt->get_name() + " attend une valeur";
    } else if (dynamic_cast<const CLI::ConversionError*>(&e)) {
        // "Could not convert: NAME = VALUE"
        if (after(what, "Could not convert: ", a) && split(a, " = ", a, b)) {
            const CLI::Option* opt = named(app, a + " ");
            if (opt && opt->get_expected_max() == 0)
                return a + " n'attend pas de valeur, pas \"" + b + "\"";
            if (opt && opt->get_type_name() == "INT")
                return a + " attend un entier, pas \"" + b + "\"";
            return a + " attend un nombre, pas \"" + b + "\"";
        }
    } else if (dynamic_cast<const CLI::ValidationError*>(&e)) {
        // "NAME: Value V not in range LO to HI"
        std::string v, lo, hi;
        if (split(what, ": Value ", a, b) && split(b, " not in range ", v, b) &&
            split(b, " to ", lo, hi))
            return a + " : valeur de " + bound(lo) + " a " + bound(hi) + " attendue, pas " + v;
        if (split(what, ": ", a, b))
            return a + " : valeur refusee (" + b + ")";
    } else if (dynamic_cast<const CLI::RequiredError*>(&e)) {
        if (what.compare(0, 12, "A subcommand") == 0) {
            std::vector<std::string> left = app.remaining();
            if (!left.empty() && !left.front().empty() && left.front()[0] == '-')
                return cli_extra(left.front());
            if (!left.empty())
                return "commande inconnue : " + left.front() + " (" + choices(app) + " attendu)";
            return "commande attendue : " + choices(app);
        }
        if (split(what, " is required", a, b) && b.empty()) {
            if (!a.empty() && a[0] == '-')
                return "option " + a + " obligatoire";
            return "argument " + a + " manquant";
        }
    } else if (dynamic_cast<const CLI::RequiresError*>(&e)) {
        if (split(what, " requires ", a, b))
            return a + " ne sert qu'avec " + b;
    } else if (dynamic_cast<const CLI::ExcludesError*>(&e)) {
        if (split(what, " excludes ", a, b))
            return a + " et " + b + " s'excluent";
    } else if (dynamic_cast<const CLI::ExtrasError*>(&e)) {
        if (split(what, " not expected: ", a, b)) {
            // listed last given first: the first given is the one to blame,
            // the others may be its values
            return cli_extra(b.substr(b.rfind(' ') + 1));
        }
    }
    return what;
}

// Parses argc/argv into app. Returns an empty string on success, otherwise
// the complaint to print. Help asked for is not a complaint: it is left to
// the caller (a flag of its own, or CLI::CallForHelp rethrown).
inline std::string cli_parse(CLI::App& app, int argc, char** argv)
{
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success&) {
        throw;
    } catch (const CLI::ParseError& e) {
        return cli_message(e, app);
    }
    return std::string();
}
