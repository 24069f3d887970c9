// Runs build/linzora_wordlist as a process, as a user does, for the tests of its commands.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace wordlist_tool_test {

struct TToolRun {
  int code = -1;  // the exit code, or 128 + the signal that ended it
  std::string out, err;
};

inline std::string ReadAll(const std::string& name) {
  std::ifstream f(name, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

// The program with these arguments, in this process's environment (so with the test's settings
// and hand-over folders); its standard output and error caught in files under `folder` (an
// absolute name). `working_folder`: where it runs, when not this process's own.
inline TToolRun RunWordlistProgram(const std::vector<std::string>& args, const std::string& folder,
                                   const std::string& working_folder = std::string()) {
  const std::string out = folder + "tool.out", err = folder + "tool.err";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (!working_folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, working_folder.c_str());
  std::vector<std::string> all{LINZORA_WORDLIST_PROGRAM};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  TToolRun run;
  if (posix_spawn(&pid, LINZORA_WORDLIST_PROGRAM, &actions, nullptr, argv.data(), environ) == 0) {
    int status = 0;
    waitpid(pid, &status, 0);
    run.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  posix_spawn_file_actions_destroy(&actions);
  run.out = ReadAll(out);
  run.err = ReadAll(err);
  return run;
}

}  // namespace wordlist_tool_test
