// mkframes: writes the frame drawing the profile's frames are inserted from.

#include <cstdio>
#include <string>

#include "platform/dxf/dxf_writer.h"
#include "tools/mkframes/frame_drawing.h"

int main(int argc, char** argv) {
  const std::string usage =
      "usage: mkframes OUT.dxf\n"
      "Writes the ten frame blocks RUVOA4LS ... RUVOA0PT as a DXF drawing.\n";
  if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
    std::fputs(usage.c_str(), stdout);
    return 0;
  }
  if (argc != 2) {
    std::fputs(usage.c_str(), stderr);
    return 2;
  }
  const auto db = frames::BuildFrameDrawing();
  dxf::WriteReport report;
  if (dxf::writeDrawing(*db, argv[1], report) != cad::Status::Ok) {
    std::fprintf(stderr, "mkframes: %s: %s\n", argv[1], report.message.c_str());
    return 1;
  }
  return 0;
}
