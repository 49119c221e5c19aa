// COM numbers over a scratch folder standing in for /sys and /dev: numbers kept across
// runs and unplugging, placeholder on-board ports left out, the memory file as users
// edit (and break) it, and the override variables.
#include "platform/PortFinder.h"

#include "tests/support/ScopedEnv.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <unistd.h>

namespace kovrin {
namespace {

namespace fs = std::filesystem;

// The parts of sysfs and /dev the finder reads.
class ScratchSystem {
public:
    explicit ScratchSystem(const fs::path& root) : root_(root) {}

    void onBoard(const std::string& tty, int uartType)
    {
        const fs::path dir = root_ / "sys/devices/pnp0" / tty / "tty" / tty;
        fs::create_directories(dir);
        test::WriteFileBytes(dir / "type", std::to_string(uartType) + "\n");
        addTty(tty, dir);
    }
    // A USB serial cable; byId empty: one without a stable name.
    void cable(const std::string& tty, const std::string& byId, const std::string& product = "")
    {
        const fs::path usb = root_ / "sys/devices/usb1" / (byId.empty() ? tty : byId);
        const fs::path dir = usb / "1-1:1.0" / tty / "tty" / tty;
        fs::create_directories(dir);
        test::WriteFileBytes(usb / "idVendor", "0403\n");
        test::WriteFileBytes(usb / "idProduct", "6001\n");
        if (!product.empty())
            test::WriteFileBytes(usb / "product", product + "\n");
        if (!byId.empty())
            test::WriteFileBytes(usb / "serial", byId + "\n");
        addTty(tty, dir);
        if (!byId.empty()) {
            fs::create_directories(root_ / "dev/serial/by-id");
            fs::create_symlink("../../" + tty, root_ / "dev/serial/by-id" / byId);
        }
    }
    // A cable of one model without a serial number, in USB socket `socket` ("1-2"): udev
    // keeps one by-id link for all of them, the one detected last.
    void twin(const std::string& tty, const std::string& socket)
    {
        const fs::path usb = root_ / "sys/devices/usb1" / socket;
        fs::remove_all(usb);
        const fs::path dir = usb / (socket + ":1.0") / tty / "tty" / tty;
        fs::create_directories(dir);
        test::WriteFileBytes(usb / "idVendor", "0403\n");
        test::WriteFileBytes(usb / "idProduct", "6001\n");
        addTty(tty, dir);
        const fs::path byId = root_ / "dev/serial/by-id/usb-FTDI_FT232R_USB_UART-if00-port0";
        fs::create_directories(byId.parent_path());
        fs::remove(byId);
        fs::create_symlink("../../" + tty, byId);
    }
    // A cable with serial number `serial` (empty: none) in socket `chain` ("1.4": port 4 of
    // the hub in port 1) of bus `bus` under the controller at PCI address `controller`.
    // udev keeps one by-id link per name: `link` points it at this tty.
    void socket(const std::string& tty, const std::string& controller, int bus, const std::string& chain,
                const std::string& serial, bool link)
    {
        const std::string device = std::to_string(bus) + "-" + chain;
        const fs::path usb = root_ / "sys/devices/pci0000:00" / controller / ("usb" + std::to_string(bus)) / device;
        fs::remove_all(usb);
        const fs::path dir = usb / (device + ":1.0") / tty / "tty" / tty;
        fs::create_directories(dir);
        test::WriteFileBytes(usb / "idVendor", "0403\n");
        test::WriteFileBytes(usb / "idProduct", "6001\n");
        if (!serial.empty())
            test::WriteFileBytes(usb / "serial", serial + "\n");
        addTty(tty, dir);
        if (link) {
            const fs::path byId = root_ / "dev/serial/by-id" / ("usb-FTDI_FT232R_USB_UART_" + serial + "-if00-port0");
            fs::create_directories(byId.parent_path());
            fs::remove(byId);
            fs::create_symlink("../../" + tty, byId);
        }
    }
    void unplug(const std::string& tty)
    {
        fs::remove(root_ / "sys/class/tty" / tty);
        fs::remove(root_ / "dev" / tty);
        std::error_code ec;
        for (const auto& link : fs::directory_iterator(root_ / "dev/serial/by-id", ec))
            if (fs::read_symlink(link.path()).filename() == tty)
                fs::remove(link.path());
    }

private:
    void addTty(const std::string& tty, const fs::path& dir)
    {
        fs::create_directory_symlink("../..", dir / "device");
        fs::create_directories(root_ / "sys/class/tty");
        fs::create_directory_symlink(dir, root_ / "sys/class/tty" / tty);
        fs::create_directories(root_ / "dev");
        test::WriteFileBytes(root_ / "dev" / tty, "");
    }

    fs::path root_;
};

// "1:ttyS0 3:-usb-A": the tty behind each number, or "-" and the name it is kept for.
std::string Summary(const PortScan& scan)
{
    std::string out;
    for (const ComPort& p : scan.ports) {
        if (p.device.empty() && p.remembered.empty())
            continue;
        out += (out.empty() ? "" : " ") + std::to_string(p.number) + ":" +
               (p.device.empty() ? "-" + p.remembered : fs::path(p.device).filename().string());
    }
    return out;
}

class PortFinderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = fs::temp_directory_path() / ("kovrin-ports-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::create_directories(root);
        memory = (root / "config/kovrin/com-ports").string();
    }
    void TearDown() override { fs::remove_all(root); }

    // Each scan is a fresh program run: only the memory file carries over.
    PortScan run() { return MakePortFinder(root.string(), memory)->Scan(); }

    fs::path root;
    std::string memory;
    test::ScopedEnv com2{"KOVRIN_COM2"};
    test::ScopedEnv com3{"KOVRIN_COM3"};
};

TEST_F(PortFinderTest, DevicesKeepTheirNumbersAcrossRunsAndUnplugging)
{
    ::unsetenv("KOVRIN_COM2");
    ::unsetenv("KOVRIN_COM3");
    ScratchSystem s(root);
    const struct Step {
        const char* what;
        std::function<void()> change;
        const char* expected;
    } steps[] = {
        {"first run: a UART, a placeholder port, two cables",
         [&] {
             s.onBoard("ttyS0", 4);
             s.onBoard("ttyS1", 0);
             s.cable("ttyUSB0", "usb-A", "FT232R USB UART");
             s.cable("ttyACM0", "");
         },
         "1:ttyS0 2:ttyACM0 3:ttyUSB0"},
        {"cable A unplugged", [&] { s.unplug("ttyUSB0"); }, "1:ttyS0 2:ttyACM0 3:-usb-A"},
        {"cable B plugged in meanwhile", [&] { s.cable("ttyUSB1", "usb-B"); }, "1:ttyS0 2:ttyACM0 3:-usb-A 4:ttyUSB1"},
        {"A back under another name", [&] { s.cable("ttyUSB2", "usb-A", "FT232R USB UART"); },
         "1:ttyS0 2:ttyACM0 3:ttyUSB2 4:ttyUSB1"},
        {"four more fill every number",
         [&] {
             for (const char* c : {"C", "D", "E", "F"})
                 s.cable(std::string("ttyUSB") + static_cast<char>('3' + (*c - 'C')), std::string("usb-") + c);
         },
         "1:ttyS0 2:ttyACM0 3:ttyUSB2 4:ttyUSB1 5:ttyUSB3 6:ttyUSB4 7:ttyUSB5 8:ttyUSB6"},
        {"B away, a ninth takes its number",
         [&] {
             s.unplug("ttyUSB1");
             s.cable("ttyUSB7", "usb-G");
         },
         "1:ttyS0 2:ttyACM0 3:ttyUSB2 4:ttyUSB7 5:ttyUSB3 6:ttyUSB4 7:ttyUSB5 8:ttyUSB6"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.change();
        const PortScan scan = run();
        EXPECT_EQ(Summary(scan), step.expected);
        EXPECT_TRUE(scan.notes.empty()) << scan.notes.front();
    }
    const PortScan last = run();
    EXPECT_EQ(last.ports[0].description, "on-board serial port");
    EXPECT_EQ(last.ports[2].description, "FT232R USB UART");
    EXPECT_EQ(last.ports[2].device, (root / "dev/ttyUSB2").string());
    EXPECT_TRUE(last.ports[2].present);
    EXPECT_NE(test::ReadFileBytes(memory).find("\nCOM3 usb-A\n"), std::string::npos);
}

TEST_F(PortFinderTest, MemoryFileAsUsersLeaveIt)
{
    ::unsetenv("KOVRIN_COM2");
    ::unsetenv("KOVRIN_COM3");
    ScratchSystem s(root);
    s.cable("ttyUSB0", "usb-A");
    s.cable("ttyUSB1", "usb-B");
    const struct Case {
        const char* what;
        std::string file;  // empty: none
        const char* expected;
        std::size_t notes;
    } cases[] = {
        {"no file yet", "", "1:ttyUSB0 2:ttyUSB1", 0},
        {"moved by hand", "COM7 usb-A\n", "1:ttyUSB1 7:ttyUSB0", 0},
        {"loosely written", "# mine\r\n  com5 =  usb-B  \r\n", "1:ttyUSB0 5:ttyUSB1", 0},
        {"a garbled line", "COM2 usb-B\n\x01\xff\xfe garbage\n", "1:ttyUSB0 2:ttyUSB1", 1},
        {"one number twice", "COM2 usb-A\nCOM2 usb-B\n", "1:ttyUSB1 2:ttyUSB0", 1},
        {"one device twice", "COM3 usb-A\nCOM4 usb-A\n", "1:ttyUSB1 3:ttyUSB0", 1},
        {"numbers out of range, no device", "COM9 usb-A\nCOM0 usb-B\nCOM3\nCOM6 usb-B\n", "1:ttyUSB0 6:ttyUSB1", 3},
        {"an absent device keeps its number", "COM1 usb-Z\n", "1:-usb-Z 2:ttyUSB0 3:ttyUSB1", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(root / "config");
        if (!c.file.empty()) {
            fs::create_directories(fs::path(memory).parent_path());
            test::WriteFileBytes(memory, c.file);
        }
        const PortScan first = run();
        EXPECT_EQ(Summary(first), c.expected);
        EXPECT_EQ(first.notes.size(), c.notes);
        // What was read holds on the next run; what was not is kept for the user to mend.
        const PortScan again = run();
        EXPECT_EQ(Summary(again), c.expected);
        if (c.notes > 0) {
            EXPECT_NE(test::ReadFileBytes(memory).find("# not understood: "), std::string::npos);
        }
    }
}

TEST_F(PortFinderTest, IdenticalCablesWithoutSerialNumbersKeepTheirSockets)
{
    ::unsetenv("KOVRIN_COM2");
    ::unsetenv("KOVRIN_COM3");
    ScratchSystem s(root);
    s.twin("ttyUSB0", "1-2");
    s.twin("ttyUSB1", "1-3");
    EXPECT_EQ(Summary(run()), "1:ttyUSB0 2:ttyUSB1");
    s.unplug("ttyUSB0");
    s.unplug("ttyUSB1");
    s.twin("ttyUSB0", "1-3");
    s.twin("ttyUSB1", "1-2");
    EXPECT_EQ(Summary(run()), "1:ttyUSB1 2:ttyUSB0");
}

// A number is one cable: clone cables sharing a serial number keep theirs by socket, whichever
// tty udev's one by-id link points at and however the buses are numbered after a boot; a
// cable of its own keeps its number from before udev made its link and in another socket.
TEST_F(PortFinderTest, SharedSerialNumbersMissingLinksAndMovedCables)
{
    ::unsetenv("KOVRIN_COM2");
    ::unsetenv("KOVRIN_COM3");
    ScratchSystem s(root);
    const std::string pci = "0000:00:14.0";
    const struct Step {
        const char* what;
        std::function<void()> change;
        const char* expected;
    } steps[] = {
        {"one clone cable", [&] { s.socket("ttyUSB0", pci, 1, "1", "0001", true); }, "1:ttyUSB0"},
        {"a second of the same serial number: the link moves to it",
         [&] { s.socket("ttyUSB1", pci, 1, "2", "0001", true); }, "1:ttyUSB0 2:ttyUSB1"},
        {"a third", [&] { s.socket("ttyUSB2", pci, 1, "3", "0001", true); }, "1:ttyUSB0 2:ttyUSB1 3:ttyUSB2"},
        {"after a boot: other tty names, another bus number, the link elsewhere",
         [&] {
             for (const char* tty : {"ttyUSB0", "ttyUSB1", "ttyUSB2"})
                 s.unplug(tty);
             s.socket("ttyUSB0", pci, 2, "3", "0001", true);
             s.socket("ttyUSB1", pci, 2, "1", "0001", true);
             s.socket("ttyUSB2", pci, 2, "2", "0001", false);
         },
         "1:ttyUSB1 2:ttyUSB2 3:ttyUSB0"},
        {"a cable of its own before udev made its link", [&] { s.socket("ttyUSB3", pci, 2, "4", "A10K", false); },
         "1:ttyUSB1 2:ttyUSB2 3:ttyUSB0 4:ttyUSB3"},
        {"its link made",
         [&] {
             s.unplug("ttyUSB3");
             s.socket("ttyUSB3", pci, 2, "4", "A10K", true);
         },
         "1:ttyUSB1 2:ttyUSB2 3:ttyUSB0 4:ttyUSB3"},
        {"moved to a hub's socket",
         [&] {
             s.unplug("ttyUSB3");
             s.socket("ttyUSB4", pci, 2, "4.2", "A10K", true);
         },
         "1:ttyUSB1 2:ttyUSB2 3:ttyUSB0 4:ttyUSB4"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.change();
        EXPECT_EQ(Summary(run()), step.expected);
    }
    EXPECT_EQ(Summary(run()), steps[std::size(steps) - 1].expected) << "the same on the next run";
}

// What the user must know of the numbers is said with them: a number taken from an absent
// cable; a memory file that cannot be read, which is then left as it is. The user's own
// files beside it survive the clean-up of temporary files.
TEST_F(PortFinderTest, NumbersThatCannotBeKeptAreSaid)
{
    ::unsetenv("KOVRIN_COM2");
    ::unsetenv("KOVRIN_COM3");
    ScratchSystem s(root);
    s.cable("ttyUSB0", "usb-A");
    const fs::path folder = fs::path(memory).parent_path();
    fs::create_directories(folder);
    std::string full;
    for (int n = 1; n <= 8; ++n)
        full += "COM" + std::to_string(n) + " usb-Z" + std::to_string(n) + "\n";
    test::WriteFileBytes(memory, full);
    test::WriteFileBytes(folder / "com-ports.backup", "mine");
    test::WriteFileBytes(folder / ".com-ports.0a1b2c.tmp", "left by a crash");

    PortScan scan = run();
    EXPECT_EQ(Summary(scan), "1:ttyUSB0 2:-usb-Z2 3:-usb-Z3 4:-usb-Z4 5:-usb-Z5 6:-usb-Z6 7:-usb-Z7 8:-usb-Z8");
    ASSERT_EQ(scan.ports[0].warnings.size(), 1u);
    EXPECT_NE(scan.ports[0].warnings[0].find("was kept for usb-Z1, which is not plugged in"), std::string::npos);
    EXPECT_EQ(scan.warnings, scan.ports[0].warnings);
    EXPECT_TRUE(fs::exists(folder / "com-ports.backup"));
    EXPECT_FALSE(fs::exists(folder / ".com-ports.0a1b2c.tmp"));

    fs::remove(memory);
    fs::create_symlink("com-ports", memory);  // a loop: there, and unreadable
    scan = run();
    EXPECT_EQ(Summary(scan), "1:ttyUSB0");
    ASSERT_EQ(scan.warnings.size(), 1u);
    EXPECT_NE(scan.warnings[0].find("cannot be read"), std::string::npos) << scan.warnings[0];
    EXPECT_EQ(scan.ports[0].warnings, scan.warnings);
    EXPECT_TRUE(fs::is_symlink(memory)) << "left as it is";
}

TEST_F(PortFinderTest, VariablesOverrideAndAnUnwritableMemoryCostsNothing)
{
    ScratchSystem s(root);
    s.cable("ttyUSB0", "usb-A");
    s.cable("ttyUSB1", "usb-B");
    test::WriteFileBytes(root / "config", "a file where the folder should be");
    ::setenv("KOVRIN_COM2", "/dev/null", 1);
    ::setenv("KOVRIN_COM3", (root / "no-such-tty").c_str(), 1);
    const PortScan scan = run();
    EXPECT_EQ(Summary(scan), "1:ttyUSB0 2:null 3:no-such-tty");
    EXPECT_TRUE(scan.ports[1].fromVariable && scan.ports[1].present);
    EXPECT_TRUE(scan.ports[2].fromVariable && !scan.ports[2].present);
    ASSERT_EQ(scan.warnings.size(), 1u);
    EXPECT_NE(scan.warnings[0].find("not written"), std::string::npos) << scan.warnings[0];
}

} // namespace
} // namespace kovrin
