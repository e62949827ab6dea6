// The window's and the headless runner's command lines: what they take and how they refuse.
#include <gtest/gtest.h>

#include "app/HeadlessOptions.h"
#include "app/WindowOptions.h"

namespace korvan {
namespace {

using Words = std::vector<std::string>;

TEST(Arguments, WindowTakesSceneKeysAndLeavesSlashWordsToStartUp) {
    std::string error;
    auto o = ParseWindowOptions({"/width", "800", "car.txt", "/NoOculus", "--key", "VK_UP@3-7", "--key",
                                 "38@0-0", "--quit-after", "20", "--screenshot", "s.png", "--unattended"},
                                error);
    ASSERT_TRUE(o) << error;
    EXPECT_EQ(o->scene, "car.txt");  // "800" is the width's, not a second scene
    ASSERT_EQ(o->keys.size(), 2u);
    EXPECT_EQ(o->keys[0].key, 38);
    EXPECT_EQ(o->keys[0].first, 3);
    EXPECT_EQ(o->keys[0].last, 7);
    EXPECT_EQ(o->quitAfter, 20);
    EXPECT_EQ(o->screenshot, "s.png");
    EXPECT_TRUE(o->unattended);
}

TEST(Arguments, HeadlessTakesNumbersInRange) {
    std::string error;
    auto o = ParseHeadlessOptions({"s.txt", "--frames", "5", "--threads", "2", "--accuracy", "0.5", "--no"},
                                  error);
    ASSERT_TRUE(o) << error;
    EXPECT_EQ(o->frames, 5);
    EXPECT_EQ(o->threads, 2);
    EXPECT_EQ(o->accuracy, 0.5);
    EXPECT_EQ(o->answer, false);
}

TEST(Arguments, BadWordsAreRefusedWithTheReason) {
    struct Case {
        bool window;
        Words words;
        const char* error;
    };
    const Case cases[] = {
        {true, {"--key"}, "--key needs a value"},
        {true, {"--key", "VK_UP@7-3"}, "--key: 'VK_UP@7-3' is not KEY@FROM-TO"},
        {true, {"--key", "VK_NOPE@1-2"}, "--key: 'VK_NOPE@1-2' is not KEY@FROM-TO"},
        {true, {"--quit-after", "0"}, "--quit-after: '0' is not a positive frame count"},
        {true, {"--quit-after", "12x"}, "--quit-after: '12x' is not a positive frame count"},
        {true, {"--frames", "3"}, "unknown option --frames"},
        {true, {"a.txt", "b.txt"}, "more than one scene file: a.txt, b.txt"},
        {false, {"s.txt", "--save"}, "--save needs a value"},
        {false, {"s.txt", "--key", "300@1-2"}, "--key: '300@1-2' is not KEY@FROM-TO"},
        {false, {"s.txt", "--threads", "0"}, "--threads: '0' is not a number in range"},
        {false, {"s.txt", "--accuracy", "1.5"}, "--accuracy: '1.5' is not a number in range"},
        {false, {"--frames", "3"}, "no scene file given"},
    };
    for (const Case& c : cases) {
        std::string error;
        bool parsed = c.window ? ParseWindowOptions(c.words, error).has_value()
                               : ParseHeadlessOptions(c.words, error).has_value();
        EXPECT_FALSE(parsed) << c.words[0];
        EXPECT_EQ(error, c.error);
    }
}

}  // namespace
}  // namespace korvan
