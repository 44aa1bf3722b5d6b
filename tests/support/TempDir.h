#pragma once
// A private folder for file tests, removed with everything in it; plus the
// small file and child-process helpers those tests share.
#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <grp.h>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

class TTempDir {
public:
    TTempDir()
    {
        std::string Pattern = (std::filesystem::temp_directory_path() / "brevanix-XXXXXX").string();
        if (!::mkdtemp(Pattern.data())) throw std::runtime_error("mkdtemp failed");
        Dir = Pattern;
    }
    ~TTempDir()
    {
        // Tests take write and search bits away; give them back so removal works.
        std::error_code Ec;
        std::filesystem::permissions(Dir, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, Ec);
        for (auto It = std::filesystem::recursive_directory_iterator(Dir, Ec);
             !Ec && It != std::filesystem::recursive_directory_iterator(); It.increment(Ec))
            if (It->is_directory(Ec))
                std::filesystem::permissions(It->path(), std::filesystem::perms::owner_all,
                                             std::filesystem::perm_options::add, Ec);
        std::filesystem::remove_all(Dir, Ec);
    }
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    const std::string& Path() const { return Dir; }
    std::string operator/(const std::string& Name) const { return Dir + "/" + Name; }

    // Names in the folder, sorted.
    std::vector<std::string> Entries() const
    {
        std::vector<std::string> Names;
        for (const auto& E : std::filesystem::directory_iterator(Dir))
            Names.push_back(E.path().filename().string());
        std::sort(Names.begin(), Names.end());
        return Names;
    }

private:
    std::string Dir;
};

// Empty for anything but a regular file.
inline std::string ReadBytes(const std::string& Path)
{
    std::error_code Ec;
    if (!std::filesystem::is_regular_file(Path, Ec)) return {};
    std::ifstream In(Path, std::ios::binary);
    std::string Bytes(std::filesystem::file_size(Path, Ec), '\0');
    In.read(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
    Bytes.resize(static_cast<std::size_t>(In.gcount()));
    return Bytes;
}

inline void WriteBytes(const std::string& Path, const std::string& Bytes)
{
    std::ofstream Out(Path, std::ios::binary | std::ios::trunc);
    Out.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
}

// Root ignores permission bits; a child that must meet them becomes nobody.
inline bool DropRootPrivileges()
{
    if (::geteuid() != 0) return true;
    return ::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0;
}

struct TChildResult {
    bool Exited = false; // false: ended by a signal
    int Code = -1;       // exit code, or the signal number
    std::string Output;  // what the child reported through its pipe
};

// Runs Body in a forked child and returns what it reported. The child never
// returns into the test runner: it leaves by _exit.
inline TChildResult RunInChild(const std::function<std::string()>& Body)
{
    int Pipe[2];
    if (::pipe(Pipe) != 0) throw std::runtime_error("pipe failed");
    const pid_t Pid = ::fork();
    if (Pid < 0) throw std::runtime_error("fork failed");
    if (Pid == 0) {
        ::close(Pipe[0]);
        int Code = 0;
        std::string Report;
        try {
            Report = Body();
        } catch (const std::exception& E) {
            Report = std::string("unexpected exception: ") + E.what();
            Code = 2;
        } catch (...) {
            Code = 3;
        }
        std::size_t Done = 0;
        while (Done < Report.size()) {
            const ssize_t N = ::write(Pipe[1], Report.data() + Done, Report.size() - Done);
            if (N <= 0) break;
            Done += static_cast<std::size_t>(N);
        }
        ::_exit(Code);
    }
    ::close(Pipe[1]);
    TChildResult R;
    char Buf[4096];
    for (;;) {
        const ssize_t N = ::read(Pipe[0], Buf, sizeof Buf);
        if (N > 0) {
            R.Output.append(Buf, static_cast<std::size_t>(N));
            continue;
        }
        if (N < 0 && errno == EINTR) continue;
        break;
    }
    ::close(Pipe[0]);
    int Status = 0;
    while (::waitpid(Pid, &Status, 0) < 0 && errno == EINTR) {
    }
    R.Exited = WIFEXITED(Status);
    R.Code = R.Exited ? WEXITSTATUS(Status) : (WIFSIGNALED(Status) ? WTERMSIG(Status) : -1);
    return R;
}
