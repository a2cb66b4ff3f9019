// The texts of the send results, byte for byte in code page 932.
#include "send/result_message.h"

#include <gtest/gtest.h>

#include "tests/support/test_files.h"

TEST(ResultMessage, EveryCodeOfTheTableHasItsText)
{
    const struct {
        int code;
        const char* utf8;
    } table[] = {
        {-1, "接続等のエラー。"},
        {-4, "タイムアウト。"},
        {-421, "ｻｰﾋﾞｽが利用不可"},
        {-450, "ﾒｰﾙﾎﾞｯｸｽが使用不可"},
        {-451, "ｻｰﾊﾞｰ処理エラー"},
        {-452, "ｼｽﾃﾑ容量不足エラー"},
        {-500, "ｺﾏﾝﾄﾞの文法エラー"},
        {-501, "ﾊﾟﾗﾒｰﾀｰ引数文法ｴﾗｰ"},
        {-502, "未実装コマンド。"},
        {-503, "ｺﾏﾝﾄﾞのｼｰｹﾝｽ異常"},
        {-550, "送信先ﾒﾙｱﾄﾞ存在せず"},
        {-551, "転送先がありません"},
        {-552, "容量オーバーエラー"},
        {-553, "ﾒｰﾙﾎﾞｯｸｽ名が不正"},
        {-554, "ﾄﾗﾝｻﾞｸｼｮﾝ失敗"},
    };
    for (const auto& entry : table)
        EXPECT_EQ(resultMessage(entry.code), cp932(entry.utf8)) << "code " << entry.code;
}

TEST(ResultMessage, HalfWidthKatakanaStaySingleBytes)
{
    // "ｻｰﾋﾞｽが利用不可": five half-width bytes, then five double-byte characters.
    EXPECT_EQ(resultMessage(-421).size(), 15u);
    EXPECT_EQ(resultMessage(-421).substr(0, 5), "\xbb\xb0\xcb\xde\xbd");
}

TEST(ResultMessage, OtherNegativeCodesAreAnUnknownError)
{
    const std::string unknown = cp932("何らかのエラー");
    for (int code : {-2, -3, -10, -535, -999, -554 - 1, -420, -100000, INT32_MIN})
        EXPECT_EQ(resultMessage(code), unknown) << "code " << code;
}

TEST(ResultMessage, ZeroAndMoreMeanSent)
{
    const std::string sent = cp932("正常に送信されました。");
    for (int code : {0, 1, 250, INT32_MAX})
        EXPECT_EQ(resultMessage(code), sent) << "code " << code;
}

TEST(ResultMessage, NoTextStartsWithAProgressMarker)
{
    for (int code = -600; code <= 0; ++code)
        EXPECT_NE(resultMessage(code).front(), '>') << "code " << code;
}
