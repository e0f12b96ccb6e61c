// Runs a fuzz target's code once on each file of the directories named, as
// libFuzzer replays a corpus, in builds without libFuzzer. A broken check
// aborts after the name of its input.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  int inputs = 0;
  for (int i = 1; i < argc; ++i)
    for (const auto& entry : std::filesystem::directory_iterator(argv[i])) {
      std::cout << entry.path().string() << std::endl;
      std::ifstream in(entry.path(), std::ios::binary);
      const std::vector<uint8_t> data{std::istreambuf_iterator<char>(in), {}};
      LLVMFuzzerTestOneInput(data.data(), data.size());
      ++inputs;
    }
  return inputs > 0 ? 0 : 1;  // no seeds: a wrong directory
}
