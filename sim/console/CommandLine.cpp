#include "CommandLine.h"

#include "Numbers.h"

namespace console {

namespace {

class ArgumentCursor {
public:
    explicit ArgumentCursor(const std::vector<std::string>& arguments) : arguments_(arguments) {}
    bool Done() const { return next_ >= arguments_.size(); }
    const std::string& Take() { return arguments_[next_++]; }
    // The value of `option`, or false when the command line ends before it.
    bool Value(const std::string& option, std::string& value, std::string& error)
    {
        if (Done()) {
            error = option + " needs a value";
            return false;
        }
        value = Take();
        return true;
    }

private:
    const std::vector<std::string>& arguments_;
    std::size_t next_ = 0;
};

}  // namespace

bool ParseCommandLine(const std::vector<std::string>& arguments, Options& options, std::string& error)
{
    ArgumentCursor cursor(arguments);
    bool dirGiven = false;
    bool stateGiven = false;
    bool passwordGiven = false;
    while (!cursor.Done()) {
        const std::string option = cursor.Take();
        std::string value;
        if (option == "--help" || option == "-h") {
            options.Help = true;
        } else if (option == "--version") {
            options.Version = true;
        } else if (option == "--no-load") {
            options.LoadAtStart = false;
        } else if (option == "--serve") {
            options.Serve = true;
        } else if (option == "--narrate") {
            options.Narrate = true;
        } else if (option == "--dir") {
            if (!cursor.Value(option, value, error)) {
                return false;
            }
            if (dirGiven || value.empty()) {
                error = value.empty() ? "--dir needs a directory" : "--dir given twice";
                return false;
            }
            dirGiven = true;
            options.Dir = value;
        } else if (option == "--plugin") {
            if (!cursor.Value(option, value, error)) {
                return false;
            }
            if (options.PluginPath || value.empty()) {
                error = value.empty() ? "--plugin needs a library path" : "--plugin given twice";
                return false;
            }
            options.PluginPath = value;
        } else if (option == "--state") {
            if (!cursor.Value(option, value, error)) {
                return false;
            }
            if (stateGiven) {
                error = "--state given twice";
                return false;
            }
            if (value != "starting" && value != "up") {
                error = "--state must be starting or up, not '" + value + "'";
                return false;
            }
            stateGiven = true;
            options.ServerState = value == "up" ? 1 : 0;
        } else if (option == "--map") {
            if (!cursor.Value(option, value, error)) {
                return false;
            }
            if (options.Map || value.empty()) {
                error = value.empty() ? "--map needs a map name" : "--map given twice";
                return false;
            }
            options.Map = value;
        } else if (option == "--script") {
            if (!cursor.Value(option, value, error)) {
                return false;
            }
            options.Scripts.push_back(value);
        } else if (option == "--rcon-port") {
            if (!cursor.Value(option, value, error)) {
                return false;
            }
            const auto port = ParseInt(value);
            if (!port || *port < 0 || *port > 65535) {
                error = "--rcon-port needs a port number from 0 to 65535, not '" + value + "'";
                return false;
            }
            options.RconPort = static_cast<std::uint16_t>(*port);
        } else if (option == "--rcon-password") {
            if (!cursor.Value(option, value, error)) {
                return false;
            }
            passwordGiven = true;
            options.RconPassword = value;
        } else {
            error = (option.rfind("-", 0) == 0 ? "unknown option " : "unexpected argument ") + option;
            return false;
        }
    }
    if (options.Help) {
        return true;
    }
    if (options.RconPort && !passwordGiven) {
        error = "--rcon-port needs --rcon-password";
        return false;
    }
    if (passwordGiven && !options.RconPort) {
        error = "--rcon-password needs --rcon-port";
        return false;
    }
    if (passwordGiven && options.RconPassword.empty()) {
        error = "--rcon-password must not be empty";
        return false;
    }
    if (options.Narrate && options.Scripts.empty()) {
        error = "--narrate needs --script";
        return false;
    }
    // RCON is served while the server reads standard input; a scripted run never does.
    if (options.RconPort && !options.Serve && !options.Scripts.empty()) {
        error = "--rcon-port with --script needs --serve";
        return false;
    }
    return true;
}

std::string UsageText()
{
    return R"(usage: dinotuner-sim [--dir DIR] [--plugin LIB] [--state starting|up] [--map NAME] [--no-load]
                     [--script FILE]... [--narrate] [--serve] [--rcon-port N --rcon-password PW]

A simulated ARK dedicated server. It loads the DinoTuner plugin as the plugin host does, plays
the game world, and runs console commands that you type, that scripts hold, or that RCON
clients send, one at a time.

  --dir DIR             the server's folder, which the host reports as its current directory:
                        the plugin reads DIR/ArkApi/Plugins/DinoTuner/config.json. Created if
                        missing. Default: the current directory.
  --plugin LIB          the plugin library to load. Default: the one installed in the server's
                        folder (DIR/ArkApi/Plugins/DinoTuner/), else the one built next to this
                        program.
  --state starting|up   the server state the host reports at start. Default: starting.
  --map NAME            the map the game reports as its own, which picks the plugin's section
                        of "Maps". Default: TheIsland.
  --no-load             start without loading the plugin; the console command 'load' loads it.
  --script FILE         run the console lines of FILE; may be given several times, run in order.
                        Without --serve the server shuts down after the last script.
  --narrate             print scripts as a walk-through: comments as narration, each command
                        after '>', checks only when they fail (make demo uses it). Needs --script.
  --serve               after the scripts, keep running: read console lines and serve RCON until
                        quit, end of input, Ctrl-C (SIGINT) or SIGTERM.
  --rcon-port N         listen for RCON clients on 127.0.0.1:N (0: any free port). Needs
                        --rcon-password, and --serve when scripts are given.
  --rcon-password PW    the password RCON clients log in with.
  --version             print the version and exit.
  -h, --help            print this help and exit.

Without --script, console lines are read from standard input until quit or its end; on a
terminal with a prompt, line editing and history. Type 'help' there for the commands; the
console is described in docs/console.md.

Exit status: 0; 1 when a console line failed or an expect check failed; 2 for bad use of the
command line.
)";
}

}  // namespace console
