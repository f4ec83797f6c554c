// After a typical installation the player, at its next start, loads the
// plug-in named in winamp.ini and hears the effect.
#include "harness.h"

#include <stdlib.h>

using namespace automation;

namespace e2e {
namespace {

long Field(const std::string& log, const char* name)
{
    size_t at = log.find(name);
    return at == std::string::npos ? -1 : atol(log.c_str() + at + strlen(name));
}

TEST_F(Scenario, PlayerLoadsThePluginAndItRaisesTheBass)
{
    ASSERT_TRUE(Launch(&run));
    ASSERT_TRUE(WalkToLocation(run.wizard));
    ASSERT_TRUE(GoNext(run.wizard, "&Finish"));
    Click(run.wizard, NEXT);
    ASSERT_TRUE(WaitExit(run.process, WAIT_MS, nullptr));
    ASSERT_TRUE(WaitUntil([] { return PlayerLog().find("dsp energy") != std::string::npos; }, WAIT_MS))
        << PlayerLog();
    std::string log = PlayerLog();
    EXPECT_NE(std::string::npos, log.find("dsp loaded dsp_zv.dll index 0")) << log;
    long low = Field(log, "dsp energy low="), inLow = Field(log, "in_low=");
    ASSERT_GT(inLow, 0) << log;
    // zuv.cfg's defaults turn the bass up by about 10 dB.
    EXPECT_GT(low, inLow * 3 / 2) << log;
}

}  // namespace
}  // namespace e2e
