// Snipla: removes keyframes from the beginning and the end of .qmx
// animations.

#include <new>

#include "console/batch_driver.h"
#include "snipla/snipla_tool.h"

int main(int argc, char** argv) {
  try {
    qmx::SniplaTool tool;
    return qmx::RunProgram(tool, argc, argv);
  } catch (const std::bad_alloc&) {
    return qmx::EndOutOfMemory();
  }
}
