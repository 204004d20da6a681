#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "support/temp_folder.h"

namespace vornalt {
namespace {

// A catalogue of the given records (numbered from 1), as loading devices.cfg would leave it.
DeviceCatalogue catalogueof(std::vector<DeviceRecord> records) {
    DeviceCatalogue catalogue;
    catalogue.path = "/opt/vornalt/devices.cfg";
    catalogue.records.push_back({});
    std::int32_t line = 1;
    for (DeviceRecord& record : records) {
        record.line = line;
        line += 10;
        catalogue.records.push_back(std::move(record));
    }
    catalogue.modelcount = static_cast<std::int32_t>(records.size());
    return catalogue;
}

DeviceRecord usable(std::string name) {
    DeviceRecord record;
    record.model = std::move(name);
    record.flash = "1024";
    record.eeprom = "64";
    return record;
}

TEST(ApplyModel, ReadsNamesSizesAndTimes) {
    const struct {
        std::string model, flash, eeprom, progtime;
        std::string name;
        std::int32_t flashsize, eepromsize, time;
    } cases[] = {
        {"pic16f84a", "1024", "64", "10", "PIC16F84A", 1024, 64, 10},
        {"Pic16F877a", " 8192", "256", "10ms", "PIC16F877A", 8192, 256, 10},
        {"", "\t2048", "", "", "", 2048, 0, 0},
        {" 12f675 ", "1024words", "128 bytes", "2.5", " 12F675 ", 1024, 128, 2},
        {"x", "1023.5", "0.5", "3.5", "X", 1024, 0, 4},
        {"x", "1", "24320", "-4", "X", 1, 24320, -4},
        {"p\xC3\xA4rt", "8192.4", "0", "99999999999", "P\xC3\xA4RT", 8192, 0, 2147483647},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.model + " / " + c.flash);
        DeviceRecord record;
        record.model = c.model;
        record.flash = c.flash;
        record.eeprom = c.eeprom;
        record.progtime = c.progtime;
        const DeviceCatalogue catalogue = catalogueof({record});
        AppliedModel applied;
        MemoryImage image;
        ASSERT_TRUE(applymodel(catalogue, 1, applied, image).ok());
        EXPECT_EQ(applied.modelname, c.name);
        EXPECT_EQ(image.flashsize, c.flashsize);
        EXPECT_EQ(image.eepromsize, c.eepromsize);
        EXPECT_EQ(applied.progtime, c.time);
    }
}

TEST(ApplyModel, ErasedConfigurationValuesAreTwoFourDigitHexParts) {
    const struct {
        std::string text;
        std::int32_t config1, config2;
    } cases[] = {
        {"3FFF,3FFF", 0x3FFF, 0x3FFF},
        {"3fff,3fff", 0x3FFF, 0x3FFF},
        {"3FFF", 0x3FFF, -1},
        {"3FFF,", 0x3FFF, -1},
        {" 3FFF,3FFF", -1, -1},
        {"3FFF 3EFF", 0x3FFF, 0x3EFF},
        {"3FFFx0000", 0x3FFF, 0x0000},
        {"3FFF,3FFE,trailing", 0x3FFF, 0x3FFE},
        {"3FFF,3FF", 0x3FFF, -1},
        {"3FG0,1234", -1, 0x1234},
        {"", -1, -1},
        {"FFFF,0000", 0xFFFF, 0x0000},
        {"3FF,3FFF", -1, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("configerased:" + c.text);
        DeviceRecord record = usable("m");
        record.configerased = c.text;
        AppliedModel applied;
        MemoryImage image;
        ASSERT_TRUE(applymodel(catalogueof({record}), 1, applied, image).ok());
        EXPECT_EQ(applied.config1erased, c.config1);
        EXPECT_EQ(applied.config2erased, c.config2);
    }
}

TEST(ApplyModel, UnrecognisedConfig2AndPowerOrderKeepThePreviousModelsChoice) {
    auto record = [](std::string config2used, std::string voltageseq) {
        DeviceRecord r = usable("m");
        r.config2used = std::move(config2used);
        r.voltageseq = std::move(voltageseq);
        return r;
    };
    // Applied one after the other on the same state, as a user switching models would.
    const struct {
        DeviceRecord record;
        bool config2used;
        std::int32_t powerorder;
    } steps[] = {
        {record("", ""), false, 0},  // the start-up values carry over
        {record("true", "vppvdd"), true, 2},
        {record("", ""), true, 2},
        {record("FALSE", "VddVpp"), false, 1},
        {record(" true", "vddvpp "), false, 1},
        {record("yes", "vdd"), false, 1},
        {record("True", "VPPVDD"), true, 2},
    };
    std::vector<DeviceRecord> records;
    for (const auto& s : steps) records.push_back(s.record);
    const DeviceCatalogue catalogue = catalogueof(records);

    AppliedModel applied;
    MemoryImage image;
    for (std::int32_t k = 1; k <= catalogue.modelcount; ++k) {
        SCOPED_TRACE("model " + std::to_string(k));
        ASSERT_TRUE(applymodel(catalogue, k, applied, image).ok());
        EXPECT_EQ(applied.config2used, steps[k - 1].config2used);
        EXPECT_EQ(applied.powerorder, PowerOrder{steps[k - 1].powerorder});
    }
}

TEST(ApplyModel, ScriptsAreLowerCasedAndSplitAtCommas) {
    const struct {
        std::string text;
        Script lines;
    } cases[] = {
        {"BEGIN,End", {"begin", "end"}},
        {"begin,end,", {"begin", "end"}},
        {"begin,,end", {"begin", "", "end"}},
        {"", {""}},
        {",", {""}},
        {",,", {"", ""}},
        {" begin,end", {" begin", "end"}},
        {"begin , end", {"begin ", " end"}},
        {"s06-FLASH,wprog", {"s06-flash", "wprog"}},
        {"begin,end,,", {"begin", "end", ""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("'" + c.text + "'");
        EXPECT_EQ(splitscript(c.text), c.lines);
    }
}

TEST(ApplyModel, EachScriptFieldFeedsItsOwnScript) {
    DeviceRecord record = usable("m");
    record.erase = "E1,E2";
    record.program = "P1";
    record.read = "R1,,R3";
    record.blankcheck = "";
    record.verify = "V1,";
    AppliedModel applied;
    MemoryImage image;
    ASSERT_TRUE(applymodel(catalogueof({record}), 1, applied, image).ok());
    EXPECT_EQ(applied.erasescript, (Script{"e1", "e2"}));
    EXPECT_EQ(applied.programscript, (Script{"p1"}));
    EXPECT_EQ(applied.readscript, (Script{"r1", "", "r3"}));
    EXPECT_EQ(applied.blankcheckscript, (Script{""}));
    EXPECT_EQ(applied.verifyscript, (Script{"v1"}));
}

TEST(ApplyModel, SetsOnlyTheImageSizesAndLeavesItsContents) {
    MemoryImage image;
    image.flashbuffer = {1, 2, 3};
    image.eeprombuffer = {4};
    image.config1word = 0x1234;
    image.config2word = 0x0567;
    image.loadedwords = 3;
    AppliedModel applied;
    ASSERT_TRUE(applymodel(catalogueof({usable("m")}), 1, applied, image).ok());
    EXPECT_EQ(image.flashsize, 1024);
    EXPECT_EQ(image.eepromsize, 64);
    EXPECT_EQ(image.flashbuffer, (std::vector<std::int32_t>{1, 2, 3}));
    EXPECT_EQ(image.eeprombuffer, (std::vector<std::int32_t>{4}));
    EXPECT_EQ(image.config1word, 0x1234);
    EXPECT_EQ(image.config2word, 0x0567);
    EXPECT_EQ(image.loadedwords, 3);
}

TEST(ApplyModel, RefusesSizesTheImageCannotHoldAndKeepsThePreviousModel) {
    const struct {
        std::string flash, eeprom;
        std::string says;
    } cases[] = {
        {"", "64", "FLASH size of 0 words"},
        {"0", "64", "FLASH size of 0 words"},
        {"0.5", "64", "FLASH size of 0 words"},
        {"-8", "64", "FLASH size of -8 words"},
        {"abc", "64", "FLASH size of 0 words"},
        {"8193", "64", "FLASH size of 8193 words"},
        {"99999999999", "0", "FLASH size of 2147483647 words"},
        {"1024", "-1", "EEPROM size of -1 bytes"},
        {"1024", "24321", "EEPROM size of 24321 bytes"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("flash:" + c.flash + " eeprom:" + c.eeprom);
        DeviceRecord bad;
        bad.model = "pic16bad";
        bad.flash = c.flash;
        bad.eeprom = c.eeprom;
        bad.config2used = "true";
        bad.voltageseq = "vppvdd";
        const DeviceCatalogue catalogue = catalogueof({usable("pic16good"), bad});
        ASSERT_EQ(catalogue.records[2].line, 11);

        AppliedModel applied;
        MemoryImage image;
        ASSERT_TRUE(applymodel(catalogue, 1, applied, image).ok());
        const AppliedModel before = applied;

        const Status status = applymodel(catalogue, 2, applied, image);
        ASSERT_FALSE(status.ok());
        const std::string& message = status.error().message;
        EXPECT_NE(message.find("devices.cfg:11"), std::string::npos) << message;
        EXPECT_NE(message.find("PIC16BAD"), std::string::npos) << message;
        EXPECT_NE(message.find(c.says), std::string::npos) << message;
        EXPECT_EQ(applied, before);
        EXPECT_EQ(image.flashsize, 1024);
        EXPECT_EQ(image.eepromsize, 64);
    }
}

TEST(ApplyModel, RefusesModelNumbersOutsideTheCatalogue) {
    const DeviceCatalogue catalogue = catalogueof({usable("one"), usable("two")});
    AppliedModel applied;
    MemoryImage image;
    ASSERT_TRUE(applymodel(catalogue, 2, applied, image).ok());
    const AppliedModel before = applied;
    for (const std::int32_t k : {0, -1, 3, 2147483647}) {
        SCOPED_TRACE(k);
        const Status status = applymodel(catalogue, k, applied, image);
        ASSERT_FALSE(status.ok());
        EXPECT_NE(status.error().message.find("1 to 2"), std::string::npos) << status.error().message;
        EXPECT_EQ(applied, before);
    }
}

TEST(ApplyModel, LoadedCatalogueAppliesEndToEnd) {
    testing::TempFolder folder;
    const std::string path = folder.write("devices.cfg",
                                          "flash:4096\r\n"
                                          "model:pic16f628a\r\n"
                                          "flash:2048\r\n"
                                          "eeprom:128\r\n"
                                          "configerased:3fff,3FFF\r\n"
                                          "config2used:false\r\n"
                                          "voltageseq:vppvdd\r\n"
                                          "progtime:5\r\n"
                                          "program:BEGIN,calcflash,End\r\n"
                                          "model:broken\r\n"
                                          "eeprom:16\r\n");
    Result<DeviceCatalogue> loaded = loadcatalogue(path);
    ASSERT_TRUE(loaded.ok()) << loaded.error().message;
    const DeviceCatalogue& catalogue = loaded.value();

    AppliedModel applied;
    MemoryImage image;
    ASSERT_TRUE(applymodel(catalogue, 1, applied, image).ok());
    EXPECT_EQ(applied.modelname, "PIC16F628A");
    EXPECT_EQ(image.flashsize, 2048);
    EXPECT_EQ(image.eepromsize, 128);
    EXPECT_EQ(applied.config1erased, 0x3FFF);
    EXPECT_EQ(applied.config2erased, 0x3FFF);
    EXPECT_FALSE(applied.config2used);
    EXPECT_EQ(applied.powerorder, PowerOrder::vppfirst);
    EXPECT_EQ(applied.progtime, 5);
    EXPECT_EQ(applied.programscript, (Script{"begin", "calcflash", "end"}));
    EXPECT_EQ(applied.erasescript, (Script{""}));

    const Status broken = applymodel(catalogue, 2, applied, image);
    ASSERT_FALSE(broken.ok());
    EXPECT_NE(broken.error().message.find("devices.cfg:10"), std::string::npos) << broken.error().message;
    EXPECT_EQ(applied.modelname, "PIC16F628A");

    const Status zero = applymodel(catalogue, 0, applied, image);
    EXPECT_FALSE(zero.ok()) << "record 0 holds stray lines and is never a model";
}

// The optional keys: absent or empty leaves the model as it always was; a value that cannot be
// read refuses the record rather than dropping a check or a kept calibration value unseen.
TEST(ApplyModel, ReadsTheOptionalKeysOrRefusesTheRecord) {
    const struct {
        std::string configmask, deviceid, calibration;
        bool applies;
        std::int32_t mask1, mask2, id, idmask;
        std::vector<CalibrationCell> cells;
    } cases[] = {
        {"", "", "", true, -1, -1, -1, 0x3FFF, {}},
        {"31FF,3FFF", "0F80,3FE0", "03FF,2007/3000", true, 0x31FF, 0x3FFF, 0x0F80, 0x3FE0,
         {{0x03FF, 0x3FFF}, {0x2007, 0x3000}}},
        {"3fff,0003", "0e20", "2009", true, 0x3FFF, 0x0003, 0x0E20, 0x3FFF, {{0x2009, 0x3FFF}}},
        {"31FF", "", "", false, -1, -1, -1, 0x3FFF, {}},
        {"31FF,4000", "", "", false, -1, -1, -1, 0x3FFF, {}},
        {"", "0E2", "", false, -1, -1, -1, 0x3FFF, {}},
        {"", "0E20,0000", "", false, -1, -1, -1, 0x3FFF, {}},
        {"", "", "0400", false, -1, -1, -1, 0x3FFF, {}},          // past the 1024-word FLASH
        {"", "", "2100", false, -1, -1, -1, 0x3FFF, {}},          // EEPROM is no calibration cell
        {"", "", "03FF,", false, -1, -1, -1, 0x3FFF, {}},
        {"", "", "2007/0000", false, -1, -1, -1, 0x3FFF, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.configmask + " | " + c.deviceid + " | " + c.calibration);
        DeviceRecord record = usable("12F629");
        record.configmask = c.configmask;
        record.deviceid = c.deviceid;
        record.calibration = c.calibration;
        AppliedModel applied;
        applied.modelname = "BEFORE";
        MemoryImage image;
        const Status status = applymodel(catalogueof({record}), 1, applied, image);
        EXPECT_EQ(status.ok(), c.applies);
        if (!c.applies) {
            EXPECT_EQ(applied.modelname, "BEFORE");
            continue;
        }
        EXPECT_EQ(applied.config1mask, c.mask1);
        EXPECT_EQ(applied.config2mask, c.mask2);
        EXPECT_EQ(applied.deviceid, c.id);
        EXPECT_EQ(applied.deviceidmask, c.idmask);
        EXPECT_EQ(applied.calibration, c.cells);
    }
}

}  // namespace
}  // namespace vornalt

namespace vornalt {
namespace {

// Every script line costs tens of bytes once split, whatever it costs in the file: a script of
// commas within the catalogue's size cap used to take gigabytes when applied and run.
TEST(ApplyModelLimits, AScriptLongerThanTheLimitIsRefusedAndChangesNothing) {
    std::string longest;
    for (std::size_t i = 1; i < k_max_script_lines; ++i) longest += "s06,";
    longest += "end";
    const std::string over = "," + longest;
    const struct {
        std::string DeviceRecord::*field;
        Script AppliedModel::*script;
    } scripts[] = {{&DeviceRecord::erase, &AppliedModel::erasescript},
                   {&DeviceRecord::program, &AppliedModel::programscript},
                   {&DeviceRecord::read, &AppliedModel::readscript},
                   {&DeviceRecord::blankcheck, &AppliedModel::blankcheckscript},
                   {&DeviceRecord::verify, &AppliedModel::verifyscript}};
    for (const auto& [field, script] : scripts) {
        DeviceRecord fits = usable("fits");
        fits.*field = longest;
        DeviceRecord toolong = usable("toolong");
        toolong.*field = over;
        const DeviceCatalogue catalogue = catalogueof({fits, toolong});
        AppliedModel applied;
        MemoryImage image;
        ASSERT_TRUE(applymodel(catalogue, 1, applied, image).ok());
        EXPECT_EQ((applied.*script).size(), k_max_script_lines);

        const AppliedModel before = applied;
        const Status refused = applymodel(catalogue, 2, applied, image);
        ASSERT_FALSE(refused.ok());
        EXPECT_NE(refused.error().message.find("devices.cfg:11"), std::string::npos) << refused.error().message;
        EXPECT_NE(refused.error().message.find(std::to_string(k_max_script_lines + 1) + " lines"), std::string::npos)
            << refused.error().message;
        EXPECT_EQ(refused.error().message.find(" a erase"), std::string::npos) << refused.error().message;
        EXPECT_EQ(applied, before);
    }
}

TEST(ApplyModelLimits, LinesAreCountedAsTheScriptIsSplit) {
    for (const std::string text : {"", ",", ",,", "a", "a,", "a,,", ",a", "begin,s06,end", "begin,s06,end,"}) {
        SCOPED_TRACE("'" + text + "'");
        EXPECT_EQ(scriptlinecount(text), splitscript(text).size());
    }
}

}  // namespace
}  // namespace vornalt
