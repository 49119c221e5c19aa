// Enumeration, recognition, set-up and selection of the adapters.
#include "BridgeFixture.h"

namespace ubrix::test {
namespace {

TEST_F(BridgeTest, ListGrowsByDoublingAndHoldsEveryInterface) {
    struct Case {
        int devices;
        std::size_t capacity;
    };
    for (const Case c : {Case{0, 8}, Case{7, 8}, Case{8, 16}, Case{9, 16}, Case{17, 32}}) {
        SCOPED_TRACE(c.devices);
        FakeHidBackend h;
        for (int i = 0; i < c.devices; ++i) h.addDevice(kMouse);
        TraceLog text;
        Bridge b(h, runtime, text.writer());
        EXPECT_EQ(b.USB_COM_Init(1, 0, ""), 98);
        EXPECT_EQ(b.devices().count, c.devices);
        EXPECT_EQ(b.devices().records.size(), c.capacity);
        EXPECT_EQ(h.openHandles(), 2 * c.devices);
        EXPECT_EQ(countOf(text.text(), "\n Internal FindKnownDevice = "), static_cast<std::size_t>(c.devices) + 1);
        EXPECT_EQ(countOf(text.text(), "\nOpen Hid Device"), static_cast<std::size_t>(c.devices));
        EXPECT_NE(text.text().find("\n Internal FindKnownDevice = " + std::to_string(c.devices) +
                            "\nError on EnumInterface: error 259"),
                  std::string::npos);
    }
}

TEST_F(BridgeTest, SelectionTakesFirstKnownAdapter) {
    FakeDevice brokenPlain = kPlain;
    brokenPlain.failOpenSynchronous = true;
    FakeDevice noAttributes = kBridge;
    noAttributes.failAttributes = true;
    FakeDevice noDescriptor = kBridge;
    noDescriptor.failParsedDescriptor = true;
    FakeDevice noDetail = kPlain;
    noDetail.failDetail = true;
    struct Case {
        const char* name;
        std::vector<FakeDevice> devices;
        int selected; // -1: none
        AdapterKind kind;
    };
    const Case cases[] = {
        {"other maker only", {kMouse, {0x04B4, 0x5501}, {0x0A6D, 0x5500}}, -1, AdapterKind::Plain},
        {"plain after a mouse", {kMouse, kPlain}, 1, AdapterKind::Plain},
        {"two plain adapters", {kPlain, kPlain}, 0, AdapterKind::Plain},
        {"bridge before plain", {kMouse, kBridge, kPlain}, 1, AdapterKind::SerialBridge},
        {"plain before bridge", {kPlain, kBridge}, 0, AdapterKind::Plain},
        {"second handle fails", {brokenPlain, kPlain}, 1, AdapterKind::Plain},
        {"attributes fail", {noAttributes, kPlain}, 1, AdapterKind::Plain},
        {"no parsed descriptor", {noDescriptor, kPlain}, 1, AdapterKind::Plain},
        {"no interface detail", {noDetail, kBridge}, 1, AdapterKind::SerialBridge},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeHidBackend h;
        for (const auto& d : c.devices) h.addDevice(d);
        Bridge b(h, runtime, [](std::string_view) {});
        EXPECT_EQ(b.USB_COM_Init(0, 0, ""), c.selected < 0 ? 98 : 0);
        if (c.selected < 0) {
            EXPECT_EQ(b.selected(), nullptr);
            continue;
        }
        ASSERT_NE(b.selected(), nullptr);
        EXPECT_EQ(b.selected() - b.devices().records.data(), c.selected);
        EXPECT_EQ(b.adapterKind(), c.kind);
        EXPECT_EQ(b.devices().count, static_cast<int>(c.devices.size()));
    }
}

TEST_F(BridgeTest, FailedOpensLeaveZeroIdsInTheList) {
    FakeDevice broken = kPlain;
    broken.failAttributes = true;
    hid.addDevice(broken);
    hid.addDevice(kMouse);
    EXPECT_EQ(init(), 98);
    ASSERT_EQ(bridge.devices().count, 2);
    EXPECT_EQ(bridge.devices().records[0].attributes.vendorId, 0);
    EXPECT_EQ(bridge.devices().records[0].attributes.productId, 0);
    EXPECT_EQ(bridge.devices().records[1].attributes.vendorId, kMouse.vendorId);
    EXPECT_NE(trace().find("\nUSB HID devices:\n 1. - VendorID: 0\n 2. - VendorID: 1133"), std::string::npos);
    EXPECT_EQ(trace().find(" ... OK"), std::string::npos);
}

TEST_F(BridgeTest, AdapterSetUpByKind) {
    struct Case {
        FakeDevice device;
        std::uint16_t in, out, feature;
        unsigned long buffers;
        std::size_t featureCalls;
    };
    const Case cases[] = {
        {kPlain, 5, 5, 5, 20, 0},
        {kBridge, 9, 9, 6, 132, 3},
        {kMouse, 0, 0, 0, 32, 0}, // another device keeps the count it had
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.device.productId);
        FakeHidBackend h;
        h.addDevice(c.device);
        TraceLog text;
        Bridge b(h, runtime, text.writer());
        b.USB_COM_Init(1, 0, "");
        const auto& r = b.devices().records[0];
        EXPECT_EQ(r.inputReportLength, c.in);
        EXPECT_EQ(r.outputReportLength, c.out);
        EXPECT_EQ(r.featureReportLength, c.feature);
        EXPECT_EQ(h.inputBuffers(0), c.buffers);
        EXPECT_EQ(h.featureCalls(0).size(), c.featureCalls);
        EXPECT_NE(text.text().find("\n\rHidD_GetNumInputBuffers:32 \n\rHidD_GetNumInputBuffers:" + std::to_string(c.buffers) + " "),
                  std::string::npos);
    }
}

TEST_F(BridgeTest, SerialBridgeGetsSerialParametersAndKeepsReadBack) {
    FakeDevice device = kBridge;
    device.featureValue = bytes({0x00, 0xB0, 0x04, 0x00, 0x00, 0x07});
    hid.addDevice(device);
    ASSERT_EQ(init(), 0);
    const auto calls = hid.featureCalls(0);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_FALSE(calls[0].set);
    EXPECT_EQ(calls[0].report.size(), 6u);
    EXPECT_TRUE(calls[1].set);
    EXPECT_EQ(calls[1].report, bytes({0x00, 0xB0, 0x04, 0x00, 0x00, 0x03}));
    EXPECT_FALSE(calls[2].set);
    EXPECT_EQ(calls[2].report, bytes({0, 0, 0, 0, 0, 0})); // zeroed before the read-back
    EXPECT_EQ(bridge.selected()->featureReport, device.featureValue);
    EXPECT_NE(trace().find("\n\rSet serial HID parameters (HidD_SetFeature) \n\rHidD_GetNumInputBuffers:"),
              std::string::npos);
}

TEST_F(BridgeTest, FeatureAndBufferFailuresAreTracedAndTolerated) {
    FakeDevice device = kBridge;
    device.failGetFeature = device.failSetFeature = true;
    device.failGetNumInputBuffers = device.failSetNumInputBuffers = true;
    hid.addDevice(device);
    EXPECT_EQ(init(), 0);
    EXPECT_EQ(bridge.GetUSBOpened(), 1);
    EXPECT_NE(trace().find("\n\rSet serial HID parameters (HidD_SetFeature) \n\rHidD_GetFeature error ! "
                           "\n\rHidD_SetFeature error ! \n\rHidD_GetFeature error ! "
                           "\n\rHidD_GetNumInputBuffers:0 \n\rHidD_SetNumInputBuffers error ! "
                           "\n\rHidD_GetNumInputBuffers:0 "),
              std::string::npos);
    send("GI");
    EXPECT_EQ(hid.writes(0).size(), 1u);
}

TEST(Discovery, AttachmentCheckClearsIdsOfUnpluggedAdapter) {
    FakeHidBackend hid;
    hid.addDevice(kPlain);
    Trace trace([](std::string_view) {});
    std::atomic<AdapterKind> kind{AdapterKind::SerialBridge};
    Discovery discovery{hid, trace, kind};
    DeviceList list;
    ASSERT_TRUE(discovery.FindKnownDevice(list));
    HidDeviceRecord* record = discovery.selectAdapter(list, false);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(kind.load(), AdapterKind::Plain);
    EXPECT_TRUE(discovery.checkAttached(*record));
    EXPECT_EQ(record->attributes.vendorId, kPlain.vendorId);

    hid.unplug(0);
    EXPECT_FALSE(discovery.checkAttached(*record));
    EXPECT_EQ(record->attributes.size, 0u);
    EXPECT_EQ(record->attributes.vendorId, 0);
    EXPECT_EQ(record->attributes.productId, 0);
    EXPECT_EQ(record->attributes.versionNumber, 0);

    discovery.releaseList(list);
    EXPECT_EQ(list.count, 0);
    EXPECT_EQ(hid.openHandles(), 0);
}

} // namespace
} // namespace ubrix::test
