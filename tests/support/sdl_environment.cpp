// SDL, the fast event queue and the network layer, started once for a whole test program,
// headless.
#include <gtest/gtest.h>

#include <memory>

#include "tools/headless.h"

namespace {

class SDLEnvironment : public ::testing::Environment {
  public:
    void SetUp() override { sdl = std::make_unique<HeadlessSDL>(true); }
    void TearDown() override { sdl.reset(); }

  private:
    std::unique_ptr<HeadlessSDL> sdl;
};

const auto* const registered = ::testing::AddGlobalTestEnvironment(new SDLEnvironment);

}  // namespace
