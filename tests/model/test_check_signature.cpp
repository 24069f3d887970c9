#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "model/documents/check_signature.h"
#include "model/chosen_texts_test_support.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_tools.h"

namespace {

std::vector<uint8_t> Written(const TCheckSignature& h) {
  TMemoryStream m;
  EXPECT_TRUE(WriteCheckSignature(m, h));
  return m.Data();
}

TEST(CheckSignature, FilledHeaderIsWrittenByteForByte) {
  TCheckSignature h;
  std::memset(&h, 0xAB, sizeof h);  // every byte must be set by the fill
  FillCheckSignature(h, 1, 10, 700, 1200, 96);
  const std::string sig = list_signature32(10);
  ASSERT_FALSE(sig.empty());
  ASSERT_LE(sig.size(), 39u);
  Bytes e;
  e.put<int32_t>(ToolSignature(1)).put<int32_t>(-96).put<int32_t>(700).put<int32_t>(1200);
  e.put<uint8_t>(static_cast<uint8_t>(sig.size())).ascii(sig).zeros(40 - sig.size());
  EXPECT_EQ(Written(h), e.b);

  // Batch saves pass no window: words 4, 8 and 12 are 0.
  FillCheckSignature(h, 1, 10, 0, 0, 0);
  const std::vector<uint8_t> b = Written(h);
  EXPECT_EQ(I32At(b, 4) | I32At(b, 8) | I32At(b, 12), 0);
}

TEST(CheckSignature, ShortStringIsCutAtFortyAndReadWithinIt) {
  TCheckSignature h;
  ClearCheckSignature(h);
  SetCheckSignatureText(h, std::string(45, 'x'));
  EXPECT_EQ(h.list_signature_length, 40);
  EXPECT_EQ(CheckSignatureText(h), std::string(40, 'x'));
  // A damaged length byte never reads past the 40 characters.
  h.list_signature_length = 200;
  EXPECT_EQ(CheckSignatureText(h).size(), 40u);
  // A shorter text clears what a longer one left.
  SetCheckSignatureText(h, "abc");
  EXPECT_EQ(CheckSignatureText(h), "abc");
  for (int i = 3; i < 40; ++i) EXPECT_EQ(h.list_signature[i], 0);
  // A forty-character signature loses its last character to the marker in byte 56.
  SetCheckSignatureText(h, std::string(40, 'S'));
  SetExtraStuffMarker(h);
  EXPECT_EQ(Written(h)[56], 9);
  EXPECT_EQ(h.list_signature[38], 'S');
}

TEST(CheckSignature, MarkerSitsInByte56AndKeepsTheListType) {
  for (uint8_t type : {0, 1, 10, 17, 23, 47}) {
    TCheckSignature h;
    FillCheckSignature(h, 1, type, 0, 0, 0);
    EXPECT_FALSE(HasExtraStuffMarker(h));
    SetExtraStuffMarker(h);
    EXPECT_TRUE(HasExtraStuffMarker(h));
    EXPECT_EQ(Written(h)[56], 9);
    uint8_t back = 255;
    ASSERT_TRUE(CheckSignatureListType(h, back)) << int(type);
    EXPECT_EQ(back, type);
  }
}

TEST(CheckSignature, ReadChecksLengthToolAndListType) {
  TCheckSignature h;
  FillCheckSignature(h, 1, 10, 0, 0, 0);
  SetExtraStuffMarker(h);
  const std::vector<uint8_t> b = Written(h);

  TCheckSignature r;
  TMemoryStream m(b);
  ASSERT_TRUE(ReadAndCheckSignature(m, r, 1));
  EXPECT_EQ(std::memcmp(&r, &h, 57), 0);
  m.SetPosition(0);
  EXPECT_FALSE(ReadAndCheckSignature(m, r, 2));  // another tool's file

  // Every shorter header fails and leaves the record alone.
  TCheckSignature zero;
  ClearCheckSignature(zero);
  for (size_t cut = 0; cut < 57; ++cut) {
    TMemoryStream s(std::vector<uint8_t>(b.begin(), b.begin() + static_cast<long>(cut)));
    TCheckSignature keep;
    ClearCheckSignature(keep);
    EXPECT_FALSE(ReadCheckSignature(s, keep));
    EXPECT_EQ(std::memcmp(&keep, &zero, 57), 0);
  }

  // A signature text of no list type, and a tool without a signature.
  TCheckSignature odd;
  ClearCheckSignature(odd);
  SetCheckSignatureText(odd, "NOT A LIST");
  uint8_t type = 0;
  EXPECT_FALSE(CheckSignatureListType(odd, type));
  EXPECT_FALSE(CheckSignatureOfTool(odd, 200));
}

}  // namespace
