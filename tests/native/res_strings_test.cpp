// The string tables of the user-interface libraries as builds without Windows resources
// see them: every id the program loads is there in both languages, the Japanese texts
// are code page 932, and each text fits the buffer the program reads it into.
#include <res/resource_ids.h>
#include <res/strings.h>

#include <gtest/gtest.h>

#include <iconv.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace zel::res {
namespace {

// Every string id the program loads from a user-interface library.
constexpr std::uint32_t kProgramStrings[] = {
    IDS_MENU_EXIT, IDS_MENU_VERSION, IDS_MENU_HELP, IDS_MENU_WEB_PAGE, IDS_MENU_DEVICE_LIST,
    IDS_DEVICE_ITEM_LETTERS, IDS_DEVICE_ITEM_ACTION, IDS_DEVICES_PROMPT, IDS_DEVICES_NOTE,
    IDS_COLUMN_NAME, IDS_COLUMN_DRIVE_LETTERS, IDS_COLUMN_TYPE, IDS_NO_DEVICES,
    IDS_TYPE_HOST_ADAPTER, IDS_TYPE_DRIVE, IDS_REMOVING, IDS_REMOVE_SUCCEEDED,
    IDS_CONFIRM_SYSTEM_DISK, IDS_AUTORUN_LABEL, IDS_AUTORUN_NOTICE, IDS_TYPE_CD_DVD,
    IDS_VERSION_NOTICE, IDS_COLUMN_INSTALLED_VERSION, IDS_COLUMN_PUBLISHED_VERSION,
    IDS_LAST_UPDATE_CHECK, IDS_ASK_OPEN_HOME_PAGE, IDS_AUTOUPDATE_LABEL, IDS_AUTOUPDATE_NOTICE,
    IDS_ASK_CHECK_FOR_UPDATE, IDS_WEB_ADDRESS, IDS_MENU_RESCAN, IDS_REMOVAL_BUSY, IDS_LIBRARY_UNUSABLE,
    IDS_REMOVE_FAILED, IDS_DOWNLOAD_FAILED, IDS_NO_NEW_VERSION, IDS_LIST_CHANGED, IDS_REMOVE_HELD_BY,
    IDS_HOLDERS_MORE, IDS_REMOVE_AT_RESTART, IDS_HOLDERS_NO_RIGHTS,
};
constexpr Language kLanguages[] = {Language::english, Language::japanese};

const char* name(Language language) { return language == Language::english ? "English" : "Japanese"; }

// The code points of a code page 932 text, or nothing when it is not valid code page 932.
std::optional<std::u32string> decodeCp932(const char* text) {
    iconv_t cd = iconv_open("UTF-32LE", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        ADD_FAILURE() << "iconv has no CP932";
        return std::nullopt;
    }
    std::string in(text);
    std::vector<char> out(in.size() * 4 + 4);
    char* inPtr = in.data();
    std::size_t inLeft = in.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    const std::size_t result = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (result == static_cast<std::size_t>(-1) || inLeft != 0) {
        return std::nullopt;
    }
    std::u32string decoded;
    for (const char* p = out.data(); p < outPtr; p += 4) {
        std::uint32_t c = 0;
        std::memcpy(&c, p, 4);
        decoded.push_back(static_cast<char32_t>(c));
    }
    return decoded;
}

bool hasJapaneseCharacter(const std::u32string& text) {
    for (char32_t c : text) {
        if ((c >= 0x3040 && c <= 0x30FF) || (c >= 0x4E00 && c <= 0x9FFF)) {
            return true;
        }
    }
    return false;
}

TEST(UiStrings, EveryProgramStringIsThereInBothLanguagesAndNothingElse) {
    for (Language language : kLanguages) {
        for (std::uint32_t id : kProgramStrings) {
            const char* text = uiString(language, id);
            ASSERT_NE(text, nullptr) << name(language) << " string " << id;
            EXPECT_GT(std::strlen(text), 0u) << name(language) << " string " << id;
        }
        // Ids the libraries do not have, next to ones they do, and the program's own.
        for (std::uint32_t id : {0u, 32u, 4999u, 5002u, 5005u, 57344u, 0xFFFFFFFFu}) {
            EXPECT_EQ(uiString(language, id), nullptr) << name(language) << " string " << id;
        }
    }
    // The two languages really differ (the Japanese table is not a copy of the English).
    EXPECT_STRNE(uiString(Language::english, IDS_MENU_EXIT), uiString(Language::japanese, IDS_MENU_EXIT));
    EXPECT_STREQ(uiString(Language::english, IDS_WEB_ADDRESS), uiString(Language::japanese, IDS_WEB_ADDRESS));
}

TEST(UiStrings, EnglishIsAsciiAndJapaneseIsCodePage932) {
    for (std::uint32_t id : kProgramStrings) {
        for (const unsigned char* p = reinterpret_cast<const unsigned char*>(uiString(Language::english, id)); *p; ++p) {
            ASSERT_LT(*p, 0x80) << "English string " << id;
        }
        const std::optional<std::u32string> japanese = decodeCp932(uiString(Language::japanese, id));
        ASSERT_TRUE(japanese.has_value()) << "Japanese string " << id << " is not code page 932";
        if (id != IDS_WEB_ADDRESS) {
            EXPECT_TRUE(hasJapaneseCharacter(*japanese)) << "Japanese string " << id;
        }
    }
    // Byte-exact for one text: "終了" in code page 932 (not UTF-8, not Shift_JIS 2004).
    EXPECT_STREQ(uiString(Language::japanese, IDS_MENU_EXIT), "\x8f\x49\x97\xb9");
}

// Buffer sizes the program passes to LoadStringA (which keeps one character for the
// terminating zero); Japanese characters take two bytes each.
TEST(UiStrings, EveryTextFitsTheBufferTheProgramReadsItInto) {
    struct Limit {
        std::uint32_t id;
        std::size_t maxBytes;
    };
    const Limit limits[] = {
        {IDS_MENU_DEVICE_LIST, 63},    // tray tip: 64 bytes with its zero
        {IDS_CONFIRM_SYSTEM_DISK, 127}, // read into 128 characters
        {IDS_DEVICE_ITEM_LETTERS, 31},  // pieces of device menu items
        {IDS_DEVICE_ITEM_ACTION, 31},
        {IDS_TYPE_HOST_ADAPTER, 63},    // list cells and headings
        {IDS_TYPE_DRIVE, 63},
        {IDS_TYPE_CD_DVD, 63},
        {IDS_COLUMN_NAME, 63},
        {IDS_COLUMN_DRIVE_LETTERS, 63},
        {IDS_COLUMN_TYPE, 63},
        {IDS_COLUMN_INSTALLED_VERSION, 63},
        {IDS_COLUMN_PUBLISHED_VERSION, 63},
        {IDS_WEB_ADDRESS, 127},         // an address, as the settings keep them
    };
    for (Language language : kLanguages) {
        for (std::uint32_t id : kProgramStrings) {
            EXPECT_LE(std::strlen(uiString(language, id)), 254u) << name(language) << " string " << id;
        }
        for (const Limit& limit : limits) {
            EXPECT_LE(std::strlen(uiString(language, limit.id)), limit.maxBytes)
                << name(language) << " string " << limit.id;
        }
    }
}

TEST(UiStrings, MenuAndOneLineTextsCarryNoControlCharacters) {
    // Command menu labels are drawn with TextOutA: an '&' would show as it is. Device
    // menu items are system-drawn: '&' would underline, a tab would split the item.
    const std::uint32_t menuTexts[] = {IDS_MENU_EXIT,           IDS_MENU_VERSION,       IDS_MENU_HELP,
                                       IDS_MENU_WEB_PAGE,       IDS_MENU_DEVICE_LIST,   IDS_DEVICE_ITEM_LETTERS,
                                       IDS_DEVICE_ITEM_ACTION,  IDS_NO_DEVICES};
    // Shown on one line: menu items, list cells and headings, labels, the progress line.
    const std::uint32_t oneLineTexts[] = {
        IDS_DEVICES_PROMPT,       IDS_COLUMN_NAME,     IDS_COLUMN_DRIVE_LETTERS,     IDS_COLUMN_TYPE,
        IDS_TYPE_HOST_ADAPTER,    IDS_TYPE_DRIVE,      IDS_TYPE_CD_DVD,              IDS_REMOVING,
        IDS_AUTORUN_LABEL,        IDS_AUTOUPDATE_LABEL, IDS_COLUMN_INSTALLED_VERSION, IDS_COLUMN_PUBLISHED_VERSION,
        IDS_LAST_UPDATE_CHECK,    IDS_WEB_ADDRESS};
    // Code page 932 trail bytes are 0x40 and above, so a byte search finds only real
    // '&', tab and line-feed characters.
    for (Language language : kLanguages) {
        for (std::uint32_t id : menuTexts) {
            const std::string text = uiString(language, id);
            EXPECT_EQ(text.find_first_of("&\t\r\n"), std::string::npos) << name(language) << " string " << id;
        }
        for (std::uint32_t id : oneLineTexts) {
            const std::string text = uiString(language, id);
            EXPECT_EQ(text.find_first_of("\t\r\n"), std::string::npos) << name(language) << " string " << id;
        }
        EXPECT_EQ(std::string(uiString(language, IDS_WEB_ADDRESS)).rfind("http", 0), 0u) << name(language);
    }
}

} // namespace
} // namespace zel::res
