// Snipla: removes keyframes from the beginning and the end of .qmx
// animations.

#include <new>

#include "console/batch_driver.h"

int main(int argc, char** argv) {
  try {
    return qmx::RunProgram(qmx::kSniplaProgram, argc, argv);
  } catch (const std::bad_alloc&) {
    return qmx::EndOutOfMemory();
  }
}
