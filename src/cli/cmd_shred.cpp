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

int Shred(const std::vector<std::string>& args) {
    bool yes = AnswerYes();
    std::vector<std::string> paths;
    for (const auto& arg : args) {
        if (arg == "--yes")
            yes = true;
        else
            paths.push_back(arg);
    }
    if (paths.size() != 1)
        return UsageError("shred needs exactly one PATH");

    std::string windows = paths[0];
    if (!IsWindowsPath(windows)) {
        std::error_code ec;
        const auto absolute = std::filesystem::absolute(windows, ec);
        windows = world::ToWindows(ec ? windows : absolute.string());
    }
    const std::string posix = world::ToPosix(windows);
    if (posix.empty())
        return Failure("no such drive in the world: " + paths[0]);
    if (platform::IsDriveRootPath(windows))
        return Failure(eraser::RootRefusalText(windows));
    struct stat st {};
    if (::lstat(posix.c_str(), &st) != 0)
        return Failure("no such file or folder: " + paths[0]);

    // Each question is answered Yes with --yes, otherwise on the terminal; the answer is kept
    // so that a No is reported as such.
    int answer = 0;
    platform::ScopedAnswerer answerer([yes, &answer](const platform::MessageBoxRequest& r) {
        static const platform::Answerer always = platform::AnswerYesToAll();
        answer = yes ? always(r) : platform::AskPerson(r);
        return answer;
    });

    eraser::ShredChooser chooser;
    if (S_ISDIR(st.st_mode)) {
        chooser.DirPath = windows;
        eraser::ShredFolder(chooser);
    } else {
        const auto slash = windows.rfind('\\');
        chooser.FilePath = windows.substr(0, slash + 1);
        chooser.FileName = windows.substr(slash + 1);
        eraser::ShredSelectedFile(chooser);
    }
    if (answer != platform::vbYes)
        return Failure("not shredded: " + windows);
    if (::lstat(posix.c_str(), &st) == 0)
        return Failure("could not shred everything: " + posix + " is still there");
    std::cout << "shredded " << windows << "\n";
    return 0;
}

const Registrar
    registrar("shred",
              "  shred PATH [--yes]          overwrite a file (or a folder tree) eleven "
              "times and delete it\n",
              Shred);

} // namespace
} // namespace corvane::cli
