// What the differential table cannot show about the stand-in's pure
// functions: the places where it follows Microsoft's documentation rather
// than Wine, so the two sides would differ on purpose.
#include <gtest/gtest.h>
#include <windows.h>

namespace {

const DWORD kErrorInvalidParameter = 87;
const DWORD kErrorInvalidFlags = 1004;

// Microsoft: for CP_UTF8, lpDefaultChar and lpUsedDefaultChar must be NULL,
// or the call fails with ERROR_INVALID_PARAMETER.  Wine accepts both (and
// sets *usedDef to FALSE), so a plug-in bug here would pass under Wine and
// fail on Windows; the stand-in fails like Windows.
TEST(StandinPure, Utf8WithUsedDefaultPointerFails) {
    const WCHAR src[] = {'a', 0};
    char out[8] = {};
    BOOL used = 7;
    SetLastError(0);
    EXPECT_EQ(0, WideCharToMultiByte(CP_UTF8, 0, src, -1, out, sizeof out, NULL, &used));
    EXPECT_EQ(kErrorInvalidParameter, GetLastError());
    EXPECT_EQ(7, used);
}

TEST(StandinPure, Utf8WithDefaultCharFails) {
    const WCHAR src[] = {'a', 0};
    char out[8] = {};
    SetLastError(0);
    EXPECT_EQ(0, WideCharToMultiByte(CP_UTF8, 0, src, -1, out, sizeof out, "?", NULL));
    EXPECT_EQ(kErrorInvalidParameter, GetLastError());
}

// The stand-in models flags 0 only (all the plug-in passes); anything else
// fails loudly instead of being silently ignored.
TEST(StandinPure, NonZeroFlagsFail) {
    const WCHAR src[] = {'a', 0};
    char out[8] = {};
    WCHAR wout[8] = {};
    SetLastError(0);
    EXPECT_EQ(0, WideCharToMultiByte(1252, 0x400 /* WC_NO_BEST_FIT_CHARS */, src, -1, out,
                                     sizeof out, NULL, NULL));
    EXPECT_EQ(kErrorInvalidFlags, GetLastError());
    SetLastError(0);
    EXPECT_EQ(0, MultiByteToWideChar(CP_UTF8, 0x8 /* MB_ERR_INVALID_CHARS */, "a", -1,
                                     wout, 8));
    EXPECT_EQ(kErrorInvalidFlags, GetLastError());
}

}  // namespace
