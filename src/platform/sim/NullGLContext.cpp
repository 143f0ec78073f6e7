// A stand-in for SDL's GL context calls, beside the do-nothing GL: the simulation build makes no
// GL context and swaps nothing, so no driver is at work behind it. (SDL still opens its window,
// and may load the driver's library for it, but nothing then runs in the driver frame by frame.)
// These definitions take the place of SDL's own for the program they are linked into.
#include <SDL.h>

namespace {
// Any address will do: the shell only checks that a context was made and hands it back.
int ContextToken = 0;
} // namespace

extern "C" {

SDL_GLContext SDLCALL SDL_GL_CreateContext(SDL_Window*) {
  return &ContextToken;
}
int SDLCALL SDL_GL_MakeCurrent(SDL_Window*, SDL_GLContext) {
  return 0;
}
void SDLCALL SDL_GL_DeleteContext(SDL_GLContext) {}
int SDLCALL SDL_GL_SetSwapInterval(int) {
  return 0;
}
void SDLCALL SDL_GL_SwapWindow(SDL_Window*) {}

} // extern "C"
