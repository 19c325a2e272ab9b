// A video counts as made only when it reads back whole: a real encoder's MP4 passes, the same file
// cut where a full disk would cut it (inside the media, before the index at its end) does not.
#include "VideoCheck.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

using namespace figurant;

TEST(VideoCheck, OnlyAWholeMp4Passes) {
    test::TempDir dir;
    const std::string video = dir.File("clip.mp4");
    const std::string encode = "ffmpeg -loglevel error -f lavfi -i color=c=red:s=64x48:d=1 -c:v libx264 "
                               "-pix_fmt yuv420p -f mp4 " +
                               video + " 2>/dev/null";
    if (std::system(encode.c_str()) != 0) GTEST_SKIP() << "no ffmpeg with H.264 here";
    EXPECT_EQ(CheckMp4File(video), "");
    std::ifstream in(video, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 200u);
    for (const std::size_t cut : {std::size_t{3}, std::size_t{40}, bytes.size() / 2, bytes.size() - 1}) {
        const std::string path = dir.Write("cut.mp4", bytes.substr(0, cut));
        EXPECT_NE(CheckMp4File(path), "") << "cut at " << cut;
    }
    EXPECT_NE(CheckMp4File(dir.Write("empty.mp4", "")), "");
    EXPECT_NE(CheckMp4File(dir.Write("text.mp4", "Error writing trailer: No space left on device\n")), "");
    EXPECT_NE(CheckMp4File(dir.File("missing.mp4")), "");
}
