// The real engine binary driven through pipes, its output compared line for line.
#include "tests/e2e/engineprocess.h"
#include "tests/e2e/sessions.h"

using namespace e2e;

namespace e2e {
INSTANTIATE_TYPED_TEST_SUITE_P(EngineProcess, EngineSession, Engine);
}  // namespace e2e

#if !defined(__SANITIZE_ADDRESS__)
// With too little memory for 256 MB the engine settles for a smaller table and says so.
TEST(EngineProcess, HashTablesShrinkWhenMemoryIsShort) {
    Engine engine(200);
    ASSERT_TRUE(engine.started());
    engine.send("ucci\nisready\nsetoption hashsize 1024\nsetoption hashsize 64\nisready\nquit\n");
    engine.closeInput();
    EXPECT_EQ(engine.readAll(),
              banner + "info hashsize 128 MB, not enough memory for 256 MB\n" + handshake +
                  "readyok\ninfo hashsize 128 MB, not enough memory for 1024 MB\nreadyok\nbye\n");
    EXPECT_EQ(engine.exitStatus(), 0);
}
#endif
