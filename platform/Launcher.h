// Starting other programs: a program with its argument list, detached and
// without a shell, and the desktop's programs for a file (its default program,
// the text editor, the file manager), standing in for ShellExecute.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace sorvane {

// Whether a program started; `error` says why not, naming the program.
struct LaunchResult {
    bool started = false;
    std::string error;

    explicit operator bool() const { return started; }
};

// The program file `program` names: itself when it holds a "/", else the first
// executable of that name in the folders of PATH. Nothing when there is none.
std::optional<std::string> FindProgram(const std::string& program);

// Starts `program` with `arguments` as argv[1] on, each passed as it is (no shell,
// no splitting, no quoting), in a session of its own with standard input from
// /dev/null, and does not wait for it: the program outlives this one and leaves
// no zombie. Fails with the system's reason when the program cannot be found or
// executed; what the program does once it runs is not followed.
LaunchResult StartDetached(const std::string& program, const std::vector<std::string>& arguments);

// Runs `program` with `arguments`, standard error discarded, and returns what it
// wrote on standard output. Nothing when it cannot start, exits other than with
// status 0, or runs longer than `timeoutMs` (it is then killed).
std::optional<std::string> RunForOutput(const std::string& program,
                                        const std::vector<std::string>& arguments, int timeoutMs);

// The desktop's default program of a file or folder: "xdg-open path".
LaunchResult OpenWithDefaultProgram(const std::string& path);

// The desktop's text editor on a file of any type. xdg-open picks a program by
// the file's own type, so it cannot open a picture as text; the editor is the
// default application of text/plain ("xdg-mime query default text/plain"),
// started by its desktop file's Exec line. When xdg-mime gives no answer, the
// desktop file cannot be found or wants a terminal, "xdg-open path" is used.
LaunchResult OpenInTextEditor(const std::string& path);

// The file manager on a folder: "xdg-open folder".
LaunchResult OpenFileManager(const std::string& folder);

} // namespace sorvane
