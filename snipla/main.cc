// Snipla: removes keyframes from the beginning and the end of .qmx
// animations.

#include "common/batch_driver.h"
#include "snipla/snipla_tool.h"

int main(int argc, char** argv) {
  qmx::SniplaTool tool;
  return qmx::RunProgram(tool, argc, argv);
}
