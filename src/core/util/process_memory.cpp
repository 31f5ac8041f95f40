#include "util/process_memory.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace wordlark {
namespace {

long PssOf(int pid) {
  std::ifstream file("/proc/" + std::to_string(pid) + "/smaps_rollup");
  std::string line;
  while (std::getline(file, line)) {
    if (line.rfind("Pss:", 0) == 0) {
      return std::strtol(line.c_str() + 4, nullptr, 10);
    }
  }
  return 0;
}

std::vector<int> ChildrenOf(int pid) {
  std::vector<int> children;
  std::error_code ec;
  const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
  for (const auto& task : std::filesystem::directory_iterator(tasks, ec)) {
    std::ifstream file(task.path() / "children");
    int child = 0;
    while (file >> child) {
      children.push_back(child);
    }
  }
  return children;
}

}  // namespace

long ProcessTreePssKiB(int pid) {
  long total = PssOf(pid);
  for (int child : ChildrenOf(pid)) {
    total += ProcessTreePssKiB(child);
  }
  return total;
}

}  // namespace wordlark
