// corvanectl shred: shreds a file, or a folder tree and the folder, as the eraser window does,
// and says per file what the overwrite could not reach. Exit status: 0 when every file was
// overwritten in place, 3 when some were only deleted (their old data may survive), 1 when
// something was not done at all (which wins over 3).

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

// The exit status of a shred that deleted everything, but not every file's old data for sure.
constexpr int kMaySurvive = 3;

// Names the report's files by the path the user gave: a Windows path as given, a POSIX path
// as the POSIX path given (relative stays relative) followed by the rest of the way down.
class UserPaths {
public:
    UserPaths(std::string given, const std::string& windows) : given_(std::move(given)) {
        posix_ = !IsWindowsPath(given_);
        top_ = world::ToPosix(windows);
        while (given_.size() > 1 && given_.back() == '/')
            given_.pop_back();
    }

    std::string operator()(const std::string& windowsPath) const {
        if (!posix_)
            return windowsPath;
        const std::string posix = world::ToPosix(windowsPath);
        if (posix.compare(0, top_.size(), top_) == 0)
            return given_ + posix.substr(top_.size());
        return posix;
    }

private:
    std::string given_;
    std::string top_;
    bool posix_ = false;
};

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
    const UserPaths shown(args[0], windows);
    if (!outcome.Confirmed)
        return Failure("not shredded: " + args[0]);
    const eraser::WipeReport& report = outcome.Report;
    for (const auto& failure : report.Failures)
        std::cerr << "corvanectl: " << shown(failure.Path) << ": " << failure.Reason << "\n";
    const auto survivors = report.MaySurvive();
    for (const eraser::WipeVerdict* v : survivors)
        std::cout << shown(v->Path) << ": " << eraser::VerdictText(v->Verdict) << "\n";
    const auto notes = [&report](int status) {
        for (const std::string& note : eraser::WipeNotes(report))
            std::cout << "note: " << note << "\n";
        return status;
    };
    if (::lstat(posix.c_str(), &st) == 0)
        return notes(Failure("could not shred everything: " + args[0] + " is still there"));
    if (!report.Complete())
        return notes(1);
    // "Shredded" is said only when every file was overwritten where its data lay.
    if (!survivors.empty()) {
        std::cout << "deleted " << args[0] << "; the old data of " << survivors.size() << " of "
                  << report.Verdicts.size() << " files may survive\n";
        return notes(kMaySurvive);
    }
    std::cout << "shredded " << args[0] << "\n";
    return notes(0);
}

const Registrar
    registrar("shred",
              "  shred [--] PATH [--yes]     overwrite a file (or a folder tree) eleven "
              "times and delete it\n",
              Shred);

} // namespace
} // namespace corvane::cli
