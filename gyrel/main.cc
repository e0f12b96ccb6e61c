// Gyrel: rotates .qmx animations about the vertical axis.

#include "common/batch_driver.h"
#include "gyrel/gyrel_tool.h"

int main(int argc, char** argv) {
  qmx::GyrelTool tool;
  return qmx::RunProgram(tool, argc, argv);
}
