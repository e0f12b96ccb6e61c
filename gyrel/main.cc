// Gyrel: rotates .qmx animations about the vertical axis.

#include <new>

#include "console/batch_driver.h"
#include "gyrel/gyrel_tool.h"

int main(int argc, char** argv) {
  try {
    qmx::GyrelTool tool;
    return qmx::RunProgram(tool, argc, argv);
  } catch (const std::bad_alloc&) {
    return qmx::EndOutOfMemory();
  }
}
