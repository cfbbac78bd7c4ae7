#include "protocol/address_list.h"

#include <gtest/gtest.h>

namespace {

TEST(AddressListTest, AcceptsAddressesAndRanges) {
    const struct {
        const char* text;
        AddressSet expected;
    } cases[] = {
        {"00", {0x00}},
        {"fe", {0xFE}},
        {"7", {0x07}},
        {"0A,b", {0x0A, 0x0B}},
        {"20,00-02", {0x00, 0x01, 0x02, 0x20}},
        {"00-03,02-04,03", {0x00, 0x01, 0x02, 0x03, 0x04}},
        {" 01 , 03 - 04 ", {0x01, 0x03, 0x04}},
        {"05-05", {0x05}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::string error;
        const auto parsed = ParseAddressList(c.text, &error);
        ASSERT_TRUE(parsed) << error;
        EXPECT_EQ(*parsed, c.expected);
    }
}

TEST(AddressListTest, FullRangeHoldsEveryNode) {
    const auto parsed = ParseAddressList("00-fe");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->size(), 255u);
}

TEST(AddressListTest, RejectsMalformedLists) {
    for (const char* text : {"", " ", "ff", "00-ff", "0f-00", "g1", "1,,2", "1,", ",1", "100", "-",
                             "01-", "-01", "0x01", "1-2-3", "+1", "01;02"}) {
        SCOPED_TRACE(text);
        std::string error;
        EXPECT_FALSE(ParseAddressList(text, &error));
        EXPECT_FALSE(error.empty());
    }
}

}  // namespace
