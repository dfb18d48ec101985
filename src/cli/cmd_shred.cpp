// corvanectl shred: shreds a file, or a folder tree and the folder, as the eraser window does.

#include "cli/command.h"
#include "eraser/Shredding.h"
#include "platform/files.h"
#include "platform/messageloop.h"
#include "platform/world.h"

#include <filesystem>
#include <iostream>
#include <sys/stat.h>

namespace corvane::cli {
namespace {

bool IsWindowsPath(const std::string& path) {
    return (path.size() >= 2 && path[1] == ':') || (!path.empty() && path[0] == '\\');
}

// Turns the argument into the Windows path the shredder works on. A Windows path of the world
// is looked up as Windows looks names up, without regard to case; a POSIX path is the user's
// own and must name exactly that file: it is never matched to another name of another case.
bool Resolve(const std::string& arg, std::string& windows, std::string& error) {
    if (IsWindowsPath(arg)) {
        windows = arg;
        if (world::ToPosix(windows).empty())
            error = "no such drive in the world: " + arg;
        return error.empty();
    }
    std::error_code ec;
    const std::filesystem::path given = std::filesystem::absolute(arg, ec);
    struct stat exact {};
    if (ec || ::lstat(given.c_str(), &exact) != 0) {
        error = "no such file or folder: " + arg;
        return false;
    }
    std::string normal = given.lexically_normal().string();
    while (normal.size() > 1 && normal.back() == '/')
        normal.pop_back();
    windows = world::ToWindows(normal);
    struct stat mapped {};
    const std::string back = world::ToPosix(windows);
    if (back != normal || ::lstat(back.c_str(), &mapped) != 0 || mapped.st_dev != exact.st_dev ||
        mapped.st_ino != exact.st_ino) {
        error = "cannot reach exactly this file through the world's paths: " + arg;
        return false;
    }
    return true;
}

int Shred(const std::vector<std::string>& given) {
    // The grammar is `shred [--] PATH [--yes]`: "--yes" counts only after the path.
    bool yes = AnswerYes();
    std::vector<std::string> args = given;
    if (args.size() >= 2 && args.back() == "--yes") {
        yes = true;
        args.pop_back();
    }
    if (args.size() == 2 && args.front() == "--")
        args.erase(args.begin());
    if (args.size() != 1)
        return UsageError("shred needs exactly one PATH");

    std::string windows, error;
    if (!Resolve(args[0], windows, error))
        return Failure(error);
    if (const std::string refusal = eraser::ShredRefusal(windows); !refusal.empty())
        return Failure(refusal);
    const std::string posix = world::ToPosix(windows);
    struct stat st {};
    if (::lstat(posix.c_str(), &st) != 0)
        return Failure("no such file or folder: " + args[0]);

    // The question is answered Yes with --yes, otherwise on the terminal; the answer is kept
    // so that a No is reported as such. Other boxes (what was left behind) are said below as
    // lines of their own, so they are only acknowledged here.
    platform::ScopedAnswerer answerer([yes](const platform::MessageBoxRequest& r) {
        if ((r.style & 7) != platform::vbYesNo)
            return static_cast<int>(platform::vbOK);
        return yes ? static_cast<int>(platform::vbYes) : platform::AskPerson(r);
    });

    eraser::ShredChooser chooser;
    eraser::ShredOutcome outcome;
    if (S_ISDIR(st.st_mode)) {
        chooser.DirPath = windows;
        outcome = eraser::ShredFolder(chooser);
    } else {
        const auto slash = windows.rfind('\\');
        chooser.FilePath = windows.substr(0, slash + 1);
        chooser.FileName = windows.substr(slash + 1);
        outcome = eraser::ShredSelectedFile(chooser);
    }
    if (!outcome.Confirmed)
        return Failure("not shredded: " + windows);
    for (const auto& failure : outcome.Report.Failures)
        std::cerr << "corvanectl: " << failure.Path << ": " << failure.Reason << "\n";
    if (::lstat(posix.c_str(), &st) == 0)
        return Failure("could not shred everything: " + posix + " is still there");
    if (!outcome.Report.Complete())
        return 1;
    std::cout << "shredded " << windows << "\n";
    return 0;
}

const Registrar
    registrar("shred",
              "  shred [--] PATH [--yes]     overwrite a file (or a folder tree) eleven "
              "times and delete it\n",
              Shred);

} // namespace
} // namespace corvane::cli
