#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>

#include "model/check_signature.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_tools.h"

namespace {

int32_t I32At(const std::vector<uint8_t>& b, size_t at) {
  int32_t v;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}

TEST(CheckSignature, FieldOffsetsAreThoseOfTheFile) {
  EXPECT_EQ(offsetof(TCheckSignature, signature), 0u);
  EXPECT_EQ(offsetof(TCheckSignature, negated_dpi), 4u);
  EXPECT_EQ(offsetof(TCheckSignature, client_height), 8u);
  EXPECT_EQ(offsetof(TCheckSignature, client_width), 12u);
  EXPECT_EQ(offsetof(TCheckSignature, list_signature_length), 16u);
  EXPECT_EQ(offsetof(TCheckSignature, list_signature), 17u);
}

TEST(CheckSignature, FilledHeaderIsWrittenByteForByte) {
  TCheckSignature h;
  std::memset(&h, 0xAB, sizeof h);  // every byte must be set by the fill
  FillCheckSignature(h, 1, 10, 700, 1200, 96);
  TMemoryStream m;
  ASSERT_TRUE(WriteCheckSignature(m, h));
  const auto& b = m.Data();
  ASSERT_EQ(b.size(), 57u);
  EXPECT_EQ(I32At(b, 0), ToolSignature(1));
  EXPECT_EQ(I32At(b, 4), -96);
  EXPECT_EQ(I32At(b, 8), 700);
  EXPECT_EQ(I32At(b, 12), 1200);
  const std::string sig = list_signature32(10);
  ASSERT_FALSE(sig.empty());
  ASSERT_LE(sig.size(), 39u);
  EXPECT_EQ(b[16], sig.size());
  EXPECT_EQ(std::string(b.begin() + 17, b.begin() + 17 + static_cast<long>(sig.size())), sig);
  for (size_t i = 17 + sig.size(); i < 57; ++i) EXPECT_EQ(b[i], 0) << "byte " << i;

  // Batch saves pass no window: words 4, 8 and 12 are 0.
  FillCheckSignature(h, 1, 10, 0, 0, 0);
  EXPECT_EQ(h.negated_dpi, 0);
  EXPECT_EQ(h.client_height, 0);
  EXPECT_EQ(h.client_width, 0);
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
}

TEST(CheckSignature, MarkerSitsInByte56AndKeepsTheListType) {
  for (uint8_t type : {0, 1, 10, 17, 23, 47}) {
    TCheckSignature h;
    FillCheckSignature(h, 1, type, 0, 0, 0);
    EXPECT_FALSE(HasExtraStuffMarker(h));
    SetExtraStuffMarker(h);
    EXPECT_TRUE(HasExtraStuffMarker(h));
    EXPECT_EQ(reinterpret_cast<const uint8_t*>(&h)[56], 9);
    uint8_t back = 255;
    ASSERT_TRUE(CheckSignatureListType(h, back)) << int(type);
    EXPECT_EQ(back, type);
  }
}

TEST(CheckSignature, ReadChecksLengthToolAndListType) {
  TCheckSignature h;
  FillCheckSignature(h, 1, 10, 0, 0, 0);
  SetExtraStuffMarker(h);
  TMemoryStream m;
  ASSERT_TRUE(WriteCheckSignature(m, h));

  TCheckSignature r;
  m.SetPosition(0);
  ASSERT_TRUE(ReadAndCheckSignature(m, r, 1));
  EXPECT_EQ(std::memcmp(&r, &h, 57), 0);
  m.SetPosition(0);
  EXPECT_FALSE(ReadAndCheckSignature(m, r, 2));  // another tool's file

  // Every shorter header fails and leaves the record alone.
  for (size_t cut = 0; cut < 57; ++cut) {
    TMemoryStream s(std::vector<uint8_t>(m.Data().begin(), m.Data().begin() + static_cast<long>(cut)));
    TCheckSignature keep;
    ClearCheckSignature(keep);
    EXPECT_FALSE(ReadCheckSignature(s, keep));
    TCheckSignature zero;
    ClearCheckSignature(zero);
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
