#include "TestSupport.h"

#include "app/Events.h"
#include "files/OutputFiles.h"
#include "evolve/GeneticTest.h"
#include "app/MainLoop.h"
#include "app/Statistics.h"
#include "app/Window.h"
#include "genome/Settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

namespace {

std::time_t fakeNow = 0;
std::time_t FakeClock(std::time_t* out) {
    if (out) *out = fakeNow;
    return fakeNow;
}

std::string Caption() {
    char* title = nullptr;
    char* icon = nullptr;
    SDL_WM_GetCaption(&title, &icon);
    return title ? title : "";
}

// A real SDL video session on the dummy driver, with a window for a small target.
class Commands : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0);
        for (int y = 0; y < target.Height(); ++y)
            for (int x = 0; x < target.Width(); ++x) SetPixel(target, x, y, {x * 9 % 256, y * 9 % 256, 100});
        Settings::ScreenWidth = target.Width();
        Settings::ScreenHeight = target.Height();
        screen = OpenWindow(target, std::cerr);
        ASSERT_NE(screen, nullptr);
        std::srand(11);
        test = std::make_unique<GeneticTest>(&target);
        fakeNow = 1000;
        state = std::make_unique<LoopState>(*test, screen, dir.File("cat.bmp"), 1000);
        state->clock = &FakeClock;
    }
    void TearDown() override {
        state.reset();
        test.reset();
        SDL_Quit();
    }
    static void PushKey(SDLKey key, SDLMod mod = KMOD_NONE, Uint8 type = SDL_KEYDOWN) {
        SDL_Event event{};
        event.type = type;
        event.key.type = type;
        event.key.keysym.sym = key;
        event.key.keysym.mod = mod;
        ASSERT_EQ(SDL_PushEvent(&event), 0);
    }
    // True if the window's left half shows what the canvas holds.
    bool LeftHalfShowsCanvas() const {
        for (int y = 0; y < 130; ++y)
            for (int x = 0; x < 260; ++x) {
                const Uint32 p = reinterpret_cast<Uint32*>(static_cast<Uint8*>(screen->pixels) +
                                                           y * screen->pitch)[x];
                Uint8 r, g, b;
                SDL_GetRGB(p, screen->format, &r, &g, &b);
                if (!(Rgb{r, g, b} == RgbAt(test->canvas, x, y))) return false;
            }
        return true;
    }
    static void PushQuit() {
        SDL_Event event{};
        event.type = SDL_QUIT;
        ASSERT_EQ(SDL_PushEvent(&event), 0);
    }

    SettingsGuard guard;
    TempDir dir;
    Image target{260, 130};  // wide enough to be shown as it is
    SDL_Surface* screen = nullptr;
    std::unique_ptr<GeneticTest> test;
    std::unique_ptr<LoopState> state;
    std::ostringstream err;
};

TEST_F(Commands, WindowShowsTheTargetInItsRightHalf) {
    EXPECT_EQ(screen->w, 520);
    EXPECT_EQ(screen->h, 130);
    for (int y = 0; y < 130; ++y)
        for (int x = 0; x < 260; ++x) {
            const Uint32 p = reinterpret_cast<Uint32*>(static_cast<Uint8*>(screen->pixels) +
                                                       y * screen->pitch)[260 + x];
            Uint8 r, g, b;
            SDL_GetRGB(p, screen->format, &r, &g, &b);
            EXPECT_EQ((Rgb{r, g, b}), RgbAt(target, x, y));
        }
}

TEST_F(Commands, QuitThenSaveKeysInOneBatchAreAllHandled) {
    PushQuit();
    PushKey(SDLK_s);
    PushKey(SDLK_b);
    state->iterations = 300;
    PollEvents(*state, err);
    EXPECT_FALSE(state->running);
    EXPECT_TRUE(FileExists(dir.File("cat.bmp.idx")));
    EXPECT_TRUE(FileExists(dir.File("cat.bmp.out.bmp")));
    EXPECT_TRUE(FileExists(dir.File("cat.bmp.out.svg")));
    EXPECT_EQ(err.str(), "Saved progresses to <" + dir.File("cat.bmp.idx") + ">.\nSaved BMP to <" +
                             dir.File("cat.bmp.out.bmp") + ">.\nSaved SVG to <" +
                             dir.File("cat.bmp.out.svg") + ">.\n");
    EXPECT_EQ(Caption(), "Saved BMP to " + dir.File("cat.bmp.out.bmp"));
    EXPECT_EQ(state->iterations, 1u);
}

// A drawing evolved on a smaller copy of the picture (the shape search's working size) is
// saved at the picture's own size, as the SVG beside it is; the canvas's own size otherwise.
TEST_F(Commands, PictureIsDrawnAtThePicturesOwnSize) {
    state->pictureWidth = 520;
    state->pictureHeight = 260;
    PushKey(SDLK_b);
    PollEvents(*state, err);
    const Image big{dir.File("cat.bmp.out.bmp")};
    EXPECT_EQ(big.Width(), 520);
    EXPECT_EQ(big.Height(), 260);
    state->pictureWidth = target.Width();
    state->pictureHeight = target.Height();
    PushKey(SDLK_b);
    PollEvents(*state, err);
    const Image own{dir.File("cat.bmp.out.bmp")};
    EXPECT_EQ(own.Compare(test->RenderBest()), 0u);
}

TEST_F(Commands, QuitKeyEndsAfterTheIterationWithoutStatistics) {
    fakeNow = 1010;
    state->iterations = 1999;
    PushKey(SDLK_q, KMOD_LSHIFT);  // a shifted Q acts like q
    Iterate(*state, err);
    EXPECT_FALSE(state->running);
    EXPECT_EQ(err.str().find("Iteration:"), std::string::npos);
    EXPECT_EQ(state->iterations, 1u);
}

TEST_F(Commands, StatisticsEveryTwoThousandCountingFromTheLastKey) {
    fakeNow = 1004;
    state->iterations = 1999;
    Iterate(*state, err);
    EXPECT_TRUE(state->running);
    const std::string line = err.str();
    EXPECT_EQ(line.rfind("Iteration:2000 Poly:", 0), 0u) << line;
    EXPECT_NE(line.find(" IPS:500 Error:"), std::string::npos) << line;
    EXPECT_NE(line.find(" Generation:" + std::to_string(test->generation) + "\n"),
              std::string::npos);
    EXPECT_EQ(Caption(), "Gen:" + std::to_string(test->generation) + " IPS:500 Err:" +
                             std::to_string(test->bestError));

    err.str("");
    state->iterations = 99;
    PushKey(SDLK_x);
    Iterate(*state, err);
    EXPECT_EQ(state->iterations, 1u);
    for (int i = 0; i < 1998; ++i) Iterate(*state, err);
    EXPECT_TRUE(err.str().empty());
    Iterate(*state, err);
    EXPECT_EQ(err.str().rfind("Iteration:2000 ", 0), 0u) << err.str();
}

TEST_F(Commands, NoStatisticsWithinTheFirstSecond) {
    state->iterations = 1999;
    Iterate(*state, err);
    EXPECT_TRUE(err.str().empty());
    EXPECT_EQ(Caption(), "");
}

TEST_F(Commands, OtherEventsAreIgnored) {
    PushKey(SDLK_q, KMOD_NONE, SDL_KEYUP);
    SDL_Event motion{};
    motion.type = SDL_MOUSEMOTION;
    SDL_PushEvent(&motion);
    state->iterations = 500;
    PollEvents(*state, err);
    EXPECT_TRUE(state->running);
    EXPECT_EQ(state->iterations, 500u);
}

TEST_F(Commands, StatisticsFormats) {
    const Statistics s{4000, 5, 1333, 123456789012ull, 4001};
    EXPECT_EQ(StatisticsLine(s), "Iteration:4000 Poly:5 IPS:1333 Error:123456789012 Generation:4001\n");
    EXPECT_EQ(StatisticsCaption(s), "Gen:4001 IPS:1333 Err:123456789012");
    Statistics out{};
    state->iterations = 4000;
    EXPECT_FALSE(GatherStatistics(*state, 1000, out));
    EXPECT_FALSE(GatherStatistics(*state, 999, out));
    ASSERT_TRUE(GatherStatistics(*state, 1003, out));
    EXPECT_EQ(out.ips, 1333u);
    EXPECT_EQ(out.polygons, 3);
}

TEST_F(Commands, DisplayWaitsForTheNextSecondAndAGain) {
    auto leftHalfShowsBest = [&] {
        test->best.Render(test->canvas);
        return LeftHalfShowsCanvas();
    };
    Iterate(*state, err);  // the first candidate is always kept, but the second has not moved
    EXPECT_EQ(state->lastDisplay, 1000);
    EXPECT_FALSE(leftHalfShowsBest());
    fakeNow = 1001;
    const std::uint64_t before = test->bestError;
    while (test->bestError == before) Iterate(*state, err);
    EXPECT_EQ(state->lastDisplay, 1001);
    EXPECT_TRUE(leftHalfShowsBest());
}

TEST_F(Commands, PictureIsTheBestDrawingEvenAfterARejection) {
    test->best.Render(test->canvas);
    const std::uint64_t bestScore = test->canvas.Compare(target);
    SDL_FillRect(test->canvas.surface, nullptr, 0xffffffffu);  // a rejected candidate's paint
    ASSERT_TRUE(SavePictureCommand(*test, state->baseName, err));
    Image saved(dir.File("cat.bmp.out.bmp"));
    EXPECT_EQ(saved.Width(), 260);
    EXPECT_EQ(saved.Height(), 130);
    EXPECT_EQ(saved.Compare(target), bestScore);
    test->best.Render(test->canvas);
    EXPECT_EQ(saved.Compare(test->canvas), 0u);
}

TEST_F(Commands, SavesIntoAMissingFolderReportFailure) {
    state->baseName = dir.File("no/such/folder/cat.bmp");
    SDL_WM_SetCaption("before", nullptr);
    PushKey(SDLK_b);
    PushKey(SDLK_s);
    PollEvents(*state, err);
    EXPECT_EQ(err.str(), "Unable to save BMP to <" + state->baseName + ".out.bmp>.\n" +
                             "Unable to save SVG to <" + state->baseName + ".out.svg> (No such file or directory).\n" +
                             "Unable to save progresses to <" + state->baseName + ".idx>.\n");
    EXPECT_EQ(Caption(), "before");
    EXPECT_EQ(state->iterations, 1u);
}

TEST_F(Commands, ResumedDrawingIsShownAtOnce) {
    ASSERT_TRUE(SaveProgressCommand(*test, state->baseName, err));
    SDL_Rect left{0, 0, 260, 130};
    SDL_FillRect(screen, &left, SDL_MapRGB(screen->format, 1, 2, 3));  // no drawing has these
    ResumeCommand(*test, ProgressPath(state->baseName), state->baseName, screen, err);
    test->best.Render(test->canvas);
    EXPECT_TRUE(LeftHalfShowsCanvas());
    EXPECT_NE(err.str().find("Loading progresses from <" + ProgressPath(state->baseName) + ">...\n"),
              std::string::npos);
}

TEST(OutputNames, LandBesideTheTarget) {
    EXPECT_EQ(ProgressPath("pics/cat.bmp"), "pics/cat.bmp.idx");
    EXPECT_EQ(PicturePath("pics/cat.bmp"), "pics/cat.bmp.out.bmp");
}

}  // namespace
