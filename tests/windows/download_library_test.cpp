// The download library: its checks of the server block, and whole fetches through the
// DLL against a loopback FTP server (started by ftp_session.sh, which sets ZEL_FTP_PORT
// and ZEL_FTP_ROOT).
#include <winsock2.h>
#include <windows.h>

#include "ftp_fetch.h"
#include "request.h"
#include "zeldownload.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using zel::UpdateNotifyInfo;
using zel::UpdateServerInfo;

void setField(char (&field)[255], const std::string& text) {
    std::memset(field, 0, sizeof field);
    std::memcpy(field, text.data(), std::min(text.size(), sizeof field));
}

UpdateServerInfo serverInfo(const std::string& host, const std::string& file,
                            const std::string& user = "pelori", const std::string& password = "mov+tgaq47") {
    UpdateServerInfo info{};
    setField(info.host, host);
    setField(info.file, file);
    setField(info.user, user);
    setField(info.password, password);
    return info;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Names in the current directory, sorted, without "." and "..".
std::vector<std::string> currentDirectory() {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA("*", &found);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name = found.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

TEST(DownLoadRequest, ChecksEveryFieldBeforeUse) {
    using namespace zel::download;
    Request request;

    UpdateServerInfo info = serverInfo("ftp.example.com", "version.csv");
    ASSERT_EQ(readRequest(&info, request), zel::kDownLoadOk);
    EXPECT_STREQ(request.host, "ftp.example.com");
    EXPECT_EQ(request.port, 21);
    EXPECT_STREQ(request.file, "version.csv");
    EXPECT_STREQ(request.user, "pelori");
    EXPECT_STREQ(request.password, "mov+tgaq47");

    info = serverInfo("127.0.0.1:65535", "version.csv", "", "ignored");
    ASSERT_EQ(readRequest(&info, request), zel::kDownLoadOk);
    EXPECT_STREQ(request.host, "127.0.0.1");
    EXPECT_EQ(request.port, 65535);
    EXPECT_EQ(request.user, nullptr);  // anonymous
    EXPECT_EQ(request.password, nullptr);

    EXPECT_EQ(readRequest(nullptr, request), zel::kDownLoadNoConnection);
    for (const char* host : {"", ":21", "host:", "host:0", "host:65536", "host:2x", "host:21:21",
                             "host:99999999999"}) {
        info = serverInfo(host, "version.csv");
        EXPECT_EQ(readRequest(&info, request), zel::kDownLoadNoConnection) << host;
    }

    // Fields that fill all 255 bytes with no terminator.
    info = serverInfo("host", "version.csv");
    std::memset(info.host, 'h', sizeof info.host);
    EXPECT_EQ(readRequest(&info, request), zel::kDownLoadNoConnection);
    info = serverInfo("host", "version.csv");
    std::memset(info.password, 'p', sizeof info.password);
    EXPECT_EQ(readRequest(&info, request), zel::kDownLoadNoConnection);
    info = serverInfo("host", "version.csv");
    std::memset(info.file, 'f', sizeof info.file);
    EXPECT_EQ(readRequest(&info, request), zel::kDownLoadCannotWrite);
    // 254 characters and the terminator: still a field.
    info = serverInfo(std::string(254, 'h'), "version.csv");
    EXPECT_EQ(readRequest(&info, request), zel::kDownLoadOk);
}

TEST(DownLoadRequest, AcceptsOnlyPlainNamesInTheCurrentDirectory) {
    using zel::download::isPlainFileName;
    for (const char* name : {"version.csv", "a..b", ".hidden", "console.csv", "com0", "lpt10.txt", "x y"}) {
        EXPECT_TRUE(isPlainFileName(name)) << name;
    }
    for (const char* name : {"", ".", "..", "...", "..\\version.csv", "../version.csv", "sub\\x", "sub/x",
                             "\\x", "C:x", "x:stream", "x.", "x ", "a*b", "a?b", "a|b", "\x01x", "CON",
                             "nul.csv", "Com1", "LPT9.txt", "aux"}) {
        EXPECT_FALSE(isPlainFileName(name)) << name;
    }
}

// The DLL beside this program, bound the way the program binds it, run in a fresh
// current directory of its own.
class DownLoadLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        char path[MAX_PATH];
        DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
        ASSERT_GT(length, 0u);
        std::string directory(path, length);
        directory.erase(directory.find_last_of('\\') + 1);
        module_ = LoadLibraryA((directory + "ZelDownLoad.dll").c_str());
        ASSERT_NE(module_, nullptr);
        initialize_ = entry<zel::DownLoadInitializationFn>("Initialization");
        fetch_ = entry<zel::GetDownLoadFileFn>("GetDownLoadFile");
        lastError_ = entry<zel::GetDownLoadFileLastErrorFn>("GetDownLoadFileLastError");
        ASSERT_TRUE(initialize_ && fetch_ && lastError_);

        char temp[MAX_PATH];
        ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
        char saved[MAX_PATH];
        ASSERT_GT(GetCurrentDirectoryA(MAX_PATH, saved), 0u);
        saved_ = saved;
        work_ = std::string(temp) + "zeldl-" + std::to_string(GetCurrentProcessId()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name();
        ASSERT_TRUE(CreateDirectoryA(work_.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA((work_ + "\\cwd").c_str(), nullptr));
        ASSERT_TRUE(SetCurrentDirectoryA((work_ + "\\cwd").c_str()));

        window_ = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        ASSERT_NE(window_, nullptr);
        notify_.window = static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(window_));
        notify_.message = RegisterWindowMessageA("ZELDOWNLOAD");
    }

    template <typename Fn> Fn entry(const char* name) const {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    }

    void TearDown() override {
        if (window_) DestroyWindow(window_);
        if (!saved_.empty()) SetCurrentDirectoryA(saved_.c_str());
        if (!work_.empty()) removeTree(work_);
        if (module_) FreeLibrary(module_);
    }

    static void removeTree(const std::string& directory) {
        WIN32_FIND_DATAA found;
        HANDLE find = FindFirstFileA((directory + "\\*").c_str(), &found);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                std::string name = found.cFileName;
                if (name == "." || name == "..") continue;
                std::string path = directory + "\\" + name;
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) removeTree(path);
                else DeleteFileA(path.c_str());
            } while (FindNextFileA(find, &found));
            FindClose(find);
        }
        RemoveDirectoryA(directory.c_str());
    }

    // Fetches and returns the result; the notice posted must agree with it.
    std::int32_t fetch(const UpdateServerInfo& info) { return fetch(&info); }
    std::int32_t fetch(const UpdateServerInfo* info) {
        std::int32_t result = fetch_(info, &notify_);
        MSG message;
        EXPECT_TRUE(PeekMessageA(&message, window_, notify_.message, notify_.message, PM_REMOVE));
        EXPECT_EQ(message.wParam, result ? 1u : 0u);
        EXPECT_EQ(static_cast<std::int32_t>(message.lParam), lastError_());
        EXPECT_FALSE(PeekMessageA(&message, window_, notify_.message, notify_.message, PM_REMOVE));
        return result;
    }

    HMODULE module_ = nullptr;
    zel::DownLoadInitializationFn initialize_ = nullptr;
    zel::GetDownLoadFileFn fetch_ = nullptr;
    zel::GetDownLoadFileLastErrorFn lastError_ = nullptr;
    std::string saved_;
    std::string work_;
    HWND window_ = nullptr;
    UpdateNotifyInfo notify_{};
};

TEST_F(DownLoadLibrary, RefusesUnusableBlocksWithoutTouchingTheDisk) {
    initialize_();
    EXPECT_EQ(lastError_(), zel::kDownLoadOk);

    EXPECT_EQ(fetch(nullptr), 0);
    EXPECT_EQ(lastError_(), zel::kDownLoadNoConnection);

    // Names that would leave the current directory or open a device; nothing is
    // written anywhere.
    for (const char* name : {"..\\version.csv", "../version.csv", "C:version.csv", "NUL", ".."}) {
        UpdateServerInfo info = serverInfo("127.0.0.1:1", name);
        EXPECT_EQ(fetch(&info), 0) << name;
        EXPECT_EQ(lastError_(), zel::kDownLoadCannotWrite) << name;
    }
    EXPECT_TRUE(currentDirectory().empty());
    EXPECT_EQ(GetFileAttributesA("..\\version.csv"), INVALID_FILE_ATTRIBUTES);

    // A missing notice block is no reason to fail, and Initialization clears the error.
    UpdateServerInfo info = serverInfo("", "version.csv");
    EXPECT_EQ(fetch_(&info, nullptr), 0);
    EXPECT_EQ(lastError_(), zel::kDownLoadNoConnection);
    initialize_();
    EXPECT_EQ(lastError_(), zel::kDownLoadOk);
}

class FtpServer : public DownLoadLibrary {
protected:
    void SetUp() override {
        DownLoadLibrary::SetUp();
        const char* port = std::getenv("ZEL_FTP_PORT");
        const char* root = std::getenv("ZEL_FTP_ROOT");
        ASSERT_TRUE(port && root) << "run through ftp_session.sh, which starts the server";
        host_ = std::string("127.0.0.1:") + port;
        root_ = root;
        initialize_();
    }

    std::string served(const char* name) const { return readFile(root_ + "\\" + name); }

    std::string host_;
    std::string root_;
};

TEST_F(FtpServer, FetchesTheExactBytesAndReplacesAnEarlierCopy) {
    writeFile("version.csv", "an older copy that is longer than the new one\r\n\r\n\r\n\r\n");
    ASSERT_NE(fetch(serverInfo(host_, "version.csv")), 0);
    EXPECT_EQ(lastError_(), zel::kDownLoadOk);
    std::string expected = served("version.csv");
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(readFile("version.csv"), expected);

    // Every byte value, over several blocks: a text-mode transfer would change it.
    ASSERT_NE(fetch(serverInfo(host_, "blob.bin")), 0);
    std::string blob = readFile("blob.bin");
    EXPECT_EQ(blob.size(), 256u * 200u);
    EXPECT_TRUE(blob == served("blob.bin"));

    // Nothing else is left behind.
    EXPECT_EQ(currentDirectory(), (std::vector<std::string>{"blob.bin", "version.csv"}));
}

TEST_F(FtpServer, FailuresLeaveTheCurrentDirectoryAsItWas) {
    const std::string old = "Old,1.0,http://old.example/\r\n";
    writeFile("version.csv", old);
    writeFile("broken.csv", old);
    const std::vector<std::string> before = currentDirectory();

    EXPECT_EQ(fetch(serverInfo(host_, "version.csv", "pelori", "wrong")), 0);
    EXPECT_EQ(lastError_(), zel::kDownLoadNoConnection);

    EXPECT_EQ(fetch(serverInfo(host_, "version.csv", "someone", "mov+tgaq47")), 0);
    EXPECT_EQ(lastError_(), zel::kDownLoadNoConnection);

    EXPECT_EQ(fetch(serverInfo(host_, "missing.csv")), 0);
    EXPECT_EQ(lastError_(), zel::kDownLoadNoFile);

    // The server breaks off after the first block.
    EXPECT_EQ(fetch(serverInfo(host_, "broken.csv")), 0);
    EXPECT_EQ(lastError_(), zel::kDownLoadNoFile);

    EXPECT_EQ(currentDirectory(), before);
    EXPECT_EQ(readFile("version.csv"), old);
    EXPECT_EQ(readFile("broken.csv"), old);
}

TEST_F(FtpServer, AServerThatSendsWithoutEndIsGivenUpWithNothingLeft) {
    // Given up after 64 KiB.
    EXPECT_EQ(fetch(serverInfo(host_, "endless.csv")), 0);
    EXPECT_EQ(lastError_(), zel::kDownLoadNoFile);
    EXPECT_TRUE(currentDirectory().empty());

    // A byte now and then never reaches the limit: the deadline for the whole fetch ends
    // it (a minute in the library, two seconds here).
    zel::download::Request request;
    const UpdateServerInfo info = serverInfo(host_, "trickle.csv");
    ASSERT_EQ(zel::download::readRequest(&info, request), zel::kDownLoadOk);
    EXPECT_EQ(zel::download::fetchFile(request, {64 * 1024, 2000}), zel::kDownLoadNoFile);
    EXPECT_TRUE(currentDirectory().empty());
}

TEST_F(FtpServer, ReportsAServerThatDoesNotListen) {
    // A port bound but not listening refuses every connection, and nobody else can
    // take it while the socket holds it.
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    SOCKET socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    ASSERT_NE(socket, INVALID_SOCKET);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof address;
    bool bound = bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                 getsockname(socket, reinterpret_cast<sockaddr*>(&address), &size) == 0;
    if (bound) {
        std::string host = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
        EXPECT_EQ(fetch(serverInfo(host, "version.csv")), 0);
        EXPECT_EQ(lastError_(), zel::kDownLoadNoConnection);
        EXPECT_TRUE(currentDirectory().empty());
    }
    closesocket(socket);
    WSACleanup();
    EXPECT_TRUE(bound);
}

TEST_F(FtpServer, ReportsATargetThatCannotBeWritten) {
    // A directory stands where the file would go.
    ASSERT_TRUE(CreateDirectoryA("version.csv", nullptr));
    EXPECT_EQ(fetch(serverInfo(host_, "version.csv")), 0);
    EXPECT_EQ(lastError_(), zel::kDownLoadCannotWrite);
    EXPECT_EQ(currentDirectory(), (std::vector<std::string>{"version.csv"}));
    EXPECT_NE(GetFileAttributesA("version.csv") & FILE_ATTRIBUTE_DIRECTORY, 0u);
}

} // namespace
