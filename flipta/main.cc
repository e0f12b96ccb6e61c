// Flipta: mirrors player-character .qmx animations on the X axis.

#include "common/batch_driver.h"
#include "flipta/flipta_tool.h"

int main(int argc, char** argv) {
  qmx::FliptaTool tool;
  return qmx::RunProgram(tool, argc, argv);
}
