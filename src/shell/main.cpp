// Program entry: reads the options and runs the game.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <iostream>

#include "shell/GLWindow.h"

int main(int argc, char** argv) {
  CLI::App app{"Gloopa: a game of life, death and destruction", "gloopa"};
  TRunOptions options;
  app.add_flag("--windowed", options.Windowed,
               "Start in a 1024 x 768 window instead of full screen");
  app.add_flag("--headless", options.Headless,
               "Run with no display (SDL's offscreen driver); messages go to standard error");
  app.add_option("--frames", options.Frames, "Quit after N frames")->check(CLI::PositiveNumber);
  app.set_version_flag("--version", std::string("gloopa ") + GLOOPA_VERSION);
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::cerr << e.what() << "\n\n" << app.help();
    return 2;
  }
  return RunGame(nullptr, options);
}
