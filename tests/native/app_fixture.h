#pragma once
// Helpers shared by the application tests: a fresh simulated PC and user interface for
// every test, and registry shortcuts.

#include "search_fixture.h"

#include "res/strings.h"
#include "settings.h"
#include "main_frame.h"
#include "zelsata_app.h"

#include <zel/sim/machine.h>
#include <zel/sim/ui.h>

#include <gtest/gtest.h>

namespace zel::test {

class AppTest : public ::testing::Test {
protected:
    void SetUp() override { sim::resetUi(); }
    void TearDown() override { sim::resetUi(); }

    // A registry key of the machine, created if the machine has no entry for it yet.
    static sim::RegistryKeyData& key(sim::Machine& machine, const char* path,
                                     platform::RegistryHive hive = platform::kHkeyLocalMachine) {
        if (sim::RegistryKeyData* found = sim::findKey(machine, hive, path)) return *found;
        machine.system.registry.push_back({hive, path, {}, true, true});
        return machine.system.registry.back();
    }

    static void setValue(sim::Machine& machine, const char* path, const char* name, std::uint32_t type,
                         const std::string& data) {
        key(machine, path).values.push_back({name, type, data});
    }

    static const sim::RegistryValue* installedValue(const char* path, const char* name) {
        const sim::RegistryKeyData* found = sim::findKey(sim::current(), platform::kHkeyLocalMachine, path);
        return found != nullptr ? sim::findValue(*found, name) : nullptr;
    }

    static void removeLibrary(sim::Machine& machine, const std::string& name) {
        std::erase_if(machine.system.libraries, [&](const sim::LibraryFile& f) { return f.name == name; });
    }
};

// A running program on a simulated PC: started by each test, ended and checked for
// anything left open by the fixture.
class ProgramTest : public AppTest {
protected:
    void start(const sim::Machine& machine) {
        sim::install(machine);
        app_ = std::make_unique<app::CZelSATAApp>();
        ASSERT_TRUE(app_->InitInstance());
        sim::pumpMessages();
    }
    void TearDown() override {
        if (app_) app_->ExitInstance();
        app_.reset();
        EXPECT_EQ(sim::openHandles().total(), 0);
        AppTest::TearDown();
    }
    // Hands a message straight to the main frame and returns its result.
    std::intptr_t send(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
        std::intptr_t result = -7;
        app_->mainFrame()->onMessage(app_->mainWindow(), message, wParam, lParam, result);
        return result;
    }

    std::unique_ptr<app::CZelSATAApp> app_;
};

} // namespace zel::test
