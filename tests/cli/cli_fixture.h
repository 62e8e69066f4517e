// Runs velkor-cli as a user does, in a scratch folder, and keeps what it wrote.
#pragma once

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#endif

#include <cstdlib>
#include <string>

#include "image/program.h"
#include "image/program_file.h"
#include "support/temp_dir.h"

namespace velkor::testing_support {

struct CliRun {
  int exitCode;
  std::string out;
  std::string err;
};

struct Cli : testing::Test {
  TempDir dir;

#ifdef _WIN32
  // Started directly rather than through cmd.exe, which under wine now and
  // then fails to start it at all ("Can't recognize ... as an internal or
  // external command").
  CliRun run(const std::string& args) {
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    auto create = [&](const std::filesystem::path& path) {
      return CreateFileW(path.wstring().c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    const HANDLE out = create(dir / "out"), err = create(dir / "err");
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    std::string commandLine = std::string("\"") + VELKOR_CLI + "\" " + args;
    DWORD exitCode = ~0u;
    if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                       &process)) {
      WaitForSingleObject(process.hProcess, INFINITE);
      GetExitCodeProcess(process.hProcess, &exitCode);
      CloseHandle(process.hThread);
      CloseHandle(process.hProcess);
    } else {
      ADD_FAILURE() << "cannot start " << commandLine << ": error " << GetLastError();
    }
    CloseHandle(out);
    CloseHandle(err);
    // Its text streams end lines with CR LF.
    const auto lines = [](std::string text) {
      for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at, 1);
      return text;
    };
    return {static_cast<int>(exitCode), lines(readBytes(dir / "out")), lines(readBytes(dir / "err"))};
  }
#else
  CliRun run(const std::string& args) {
    const std::string command = std::string(VELKOR_CLI) + " " + args + " >" + (dir / "out").string() + " 2>" +
                                (dir / "err").string();
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readBytes(dir / "out"), readBytes(dir / "err")};
  }
#endif

  std::string save(Program& program, const std::string& name) {
    program.construireImages();
    EXPECT_TRUE(writeProgramFile(dir / name, program.images).ok);
    return (dir / name).string();
  }
};

}  // namespace velkor::testing_support
