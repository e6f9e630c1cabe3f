// The real program's update check against a loopback FTP server (started around this
// test by ftp_session.sh, which serves a version file publishing 1.15): asked at start,
// the program fetches the file through the real download library, keeps what it found
// and offers the home page; a server that is not there and a missing library each get
// their own message.
#include "program_driver.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <string>

namespace zel::test {
namespace {

constexpr const char* kSettings = "Software\\Ondel\\ZelSATA\\Common";

std::string uiString(UINT id) {
    char directory[1024] = {};
    zel::platform::programDirectory(directory, sizeof directory);
    HMODULE library = LoadLibraryExA((std::string(directory) + "ZelSATAResUS.dll").c_str(), nullptr,
                                     LOAD_LIBRARY_AS_DATAFILE);
    char text[512] = {};
    if (library != nullptr) {
        LoadStringA(library, id, text, sizeof text);
        FreeLibrary(library);
    }
    return text;
}

std::string setting(const char* name) {
    char data[256] = {};
    DWORD size = sizeof data - 1;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, kSettings, name, RRF_RT_REG_SZ | RRF_NOEXPAND, nullptr, data, &size) !=
        ERROR_SUCCESS)
        return "<absent>";
    return data;
}

// A fresh directory under the temporary one, removed with what it holds.
class ScratchDirectory {
public:
    ScratchDirectory() {
        char base[MAX_PATH] = {};
        GetTempPathA(sizeof base, base);
        path_ = std::string(base) + "zelsata-update-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(GetTickCount());
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~ScratchDirectory() {
        WIN32_FIND_DATAA entry{};
        HANDLE find = FindFirstFileA((path_ + "\\*").c_str(), &entry);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                DeleteFileA((path_ + "\\" + entry.cFileName).c_str());
            } while (FindNextFileA(find, &entry));
            FindClose(find);
        }
        RemoveDirectoryA(path_.c_str());
    }
    const std::string& path() const { return path_; }
    bool holds(const char* name) const {
        return GetFileAttributesA((path_ + "\\" + name).c_str()) != INVALID_FILE_ATTRIBUTES;
    }

private:
    std::string path_;
};

class UpdateCheck : public ::testing::Test {
protected:
    void SetUp() override {
        const char* port = std::getenv("ZEL_FTP_PORT");
        ASSERT_NE(port, nullptr) << "run by ftp_session.sh";
        port_ = port;
        clearSettings();
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSettings, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                  nullptr),
                  ERROR_SUCCESS);
        const DWORD ask = 1;
        RegSetValueExA(key, "AutoUpDate", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&ask), sizeof ask);
        RegCloseKey(key);
    }
    void TearDown() override { clearSettings(); }

    static void clearSettings() {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettings, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
        for (const char* name : {"AutoUpDate", "Version", "Home", "Date"}) RegDeleteValueA(key, name);
        RegCloseKey(key);
    }

    // Starts the program against `host` from `directory`, answers Yes to the start-up
    // question and returns the box that follows (captioned as given), or null.
    HWND startAndAcceptTheQuestion(Process& program, const char* followingCaption) {
        if (!program.started()) return nullptr;
        HWND question = waitForWindow([&] { return findMessageBox(program.id(), "ZelSATA DownLoad"); });
        if (question == nullptr) return nullptr;
        EXPECT_EQ(messageText(question), uiString(29));
        PostMessageA(question, WM_COMMAND, IDYES, 0);
        // The fetch itself may take a while under Wine.
        return waitForWindow(
            [&]() -> HWND {
                HWND box = findMessageBox(program.id(), followingCaption);
                return box != nullptr && box != question && IsWindowVisible(box) ? box : nullptr;
            },
            60000);
    }

    static void quit(Process& program) {
        HWND frame = FindWindowA("ZelSATAFrame", "ZelSATA");
        if (frame != nullptr) PostMessageA(frame, WM_CLOSE, 0, 0);
        EXPECT_EQ(program.waitForExit(15000), 0u);
    }

    std::string port_;
};

TEST_F(UpdateCheck, FindsTheLaterVersionKeepsItAndOffersTheHomePage) {
    SetEnvironmentVariableA("ZELSATA_UPDATE_HOST", ("127.0.0.1:" + port_).c_str());
    ScratchDirectory directory;
    Process program(programPath(), directory.path().c_str());
    HWND offer = startAndAcceptTheQuestion(program, "ZelSATA DownLoad");
    ASSERT_NE(offer, nullptr) << "the home page is offered";
    EXPECT_EQ(messageText(offer), uiString(26));
    PostMessageA(offer, WM_COMMAND, IDNO, 0);

    EXPECT_EQ(setting("Version"), "1.15") << "this product's record, not the first one";
    EXPECT_EQ(setting("Home"), "http://www.example.com/zelsata/");
    EXPECT_TRUE(std::regex_match(setting("Date"), std::regex(R"(20\d\d/\d{1,2}/\d{1,2})"))) << setting("Date");
    EXPECT_FALSE(directory.holds("version.csv")) << "the fetched file is deleted";
    quit(program);
}

TEST_F(UpdateCheck, AServerThatIsNotThereSaysTheFetchFailed) {
    SetEnvironmentVariableA("ZELSATA_UPDATE_HOST", "127.0.0.1:1");
    ScratchDirectory directory;
    Process program(programPath(), directory.path().c_str());
    HWND box = startAndAcceptTheQuestion(program, "ZelSATA");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(messageText(box), uiString(5003));
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(setting("Version"), "<absent>");
    EXPECT_NE(setting("Date"), "<absent>") << "every attempt is dated";
    quit(program);
}

TEST_F(UpdateCheck, WithoutTheDownloadLibraryItSaysALibraryIsMissing) {
    SetEnvironmentVariableA("ZELSATA_UPDATE_HOST", ("127.0.0.1:" + port_).c_str());
    // The program, its libraries, everything but the download library.
    ScratchDirectory installed;
    char directory[1024] = {};
    zel::platform::programDirectory(directory, sizeof directory);
    for (const char* file : {"ZelSATA.exe", "ZelSearch.dll", "ZelSATAResUS.dll", "ZelSATARes.dll"})
        ASSERT_TRUE(CopyFileA((std::string(directory) + file).c_str(), (installed.path() + "\\" + file).c_str(),
                              FALSE));
    Process program("\"" + installed.path() + "\\ZelSATA.exe\"", installed.path().c_str());
    HWND box = startAndAcceptTheQuestion(program, "ZelSATA");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(messageText(box), uiString(5000));
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(setting("Date"), "<absent>") << "no attempt without the library";
    quit(program);
}

} // namespace
} // namespace zel::test
