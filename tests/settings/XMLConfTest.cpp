#include "settings/XMLConf.h"

#include "tests/support/FifoRescuer.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

const std::string kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";

class XMLConfTest : public ::testing::Test {
  protected:
    TTempDir FDir;
    std::filesystem::path FFile = FDir / "settings.xml";
    TConfigDoc FDoc;

    void Open() { ASSERT_TRUE(ConfigOpen(FDoc, FFile, "settings")); }
    std::string Read(const std::string& Key) {
        std::string value = "<unchanged>";
        ConfigRead(FDoc, Key, value);
        return value;
    }
    std::string SaveAndGet() {
        EXPECT_TRUE(ConfigSave(FDoc, FFile));
        return ReadFileBytes(FFile);
    }
};

// What the main window writes at its first close.
void WriteFirstRun(const TConfigDoc& Doc) {
    ConfigWrite(Doc, "Window/X", 120);
    ConfigWrite(Doc, "Window/Y", 80);
    ConfigWrite(Doc, "Window/W", 600);
    ConfigWrite(Doc, "Window/H", 400);
    ConfigWrite(Doc, "Defaults/Tab", 1);
    ConfigWrite(Doc, "Rates/SrcAmount", "100");
    ConfigWrite(Doc, "Rates/DstAmount", "");
    ConfigWrite(Doc, "Rates/SrcCurr", "Bitcoin (BTC)");
    ConfigWrite(Doc, HideCurrencyKey("BTC"), false);
    ConfigWrite(Doc, HideCurrencyKey("USD COIN"), true);
}

const std::string kFirstRunFile = kDecl + "<settings>\r\n"
                                          "\t<Window>\r\n"
                                          "\t\t<X>120</X>\r\n"
                                          "\t\t<Y>80</Y>\r\n"
                                          "\t\t<W>600</W>\r\n"
                                          "\t\t<H>400</H>\r\n"
                                          "\t</Window>\r\n"
                                          "\t<Defaults>\r\n"
                                          "\t\t<Tab>1</Tab>\r\n"
                                          "\t</Defaults>\r\n"
                                          "\t<Rates>\r\n"
                                          "\t\t<SrcAmount>100</SrcAmount>\r\n"
                                          "\t\t<DstAmount/>\r\n"
                                          "\t\t<SrcCurr>Bitcoin (BTC)</SrcCurr>\r\n"
                                          "\t</Rates>\r\n"
                                          "\t<HideCurrencies>\r\n"
                                          "\t\t<BTC>false</BTC>\r\n"
                                          "\t\t<USD_x0020_COIN>true</USD_x0020_COIN>\r\n"
                                          "\t</HideCurrencies>\r\n"
                                          "</settings>\r\n";

TEST_F(XMLConfTest, FirstRunWritesTheLaidOutFileByteForByte) {
    Open();
    EXPECT_EQ(SaveAndGet(), kDecl + "<settings/>\r\n");
    WriteFirstRun(FDoc);
    EXPECT_EQ(SaveAndGet(), kFirstRunFile);
}

TEST_F(XMLConfTest, ReloadedElementsKeepTheirPlaceAndAreLaidOutLikeNewOnes) {
    WriteFileBytes(FFile, kFirstRunFile);
    Open();
    EXPECT_EQ(Read("Window/X"), "120");
    EXPECT_EQ(Read("Rates/SrcCurr"), "Bitcoin (BTC)");
    EXPECT_EQ(Read(HideCurrencyKey("USD COIN")), "true");
    EXPECT_EQ(SaveAndGet(), kFirstRunFile);

    ConfigWrite(FDoc, "Window/X", -8);
    ConfigWrite(FDoc, "Rates/DstCurr", "Tether");
    ConfigWrite(FDoc, "Extra/Key", "v");
    const std::string resaved = SaveAndGet();

    // The same keys written in the same order into a new document give the same bytes.
    TConfigDoc fresh;
    ASSERT_TRUE(ConfigOpen(fresh, FDir / "absent.xml", "settings"));
    WriteFirstRun(fresh);
    ConfigWrite(fresh, "Window/X", -8);
    ConfigWrite(fresh, "Rates/DstCurr", "Tether");
    ConfigWrite(fresh, "Extra/Key", "v");
    ASSERT_TRUE(ConfigSave(fresh, FDir / "fresh.xml"));
    EXPECT_EQ(resaved, ReadFileBytes(FDir / "fresh.xml"));
    EXPECT_NE(
        resaved.find("\t\t<SrcCurr>Bitcoin (BTC)</SrcCurr>\r\n\t\t<DstCurr>Tether</DstCurr>\r\n\t</Rates>"),
        std::string::npos)
        << resaved;
}

TEST_F(XMLConfTest, AHandWrittenFileInAnyLayoutIsSavedInTheProgramsLayoutAndStaysSo) {
    WriteFileBytes(FFile,
                   "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<settings><Window>\n  <X>120</X> <Y>80</Y>"
                   "<W>600</W><H>400</H></Window>\n<Defaults>\n\n<Tab>1</Tab></Defaults><Rates>"
                   "<SrcAmount>100</SrcAmount><DstAmount></DstAmount><SrcCurr>Bitcoin (BTC)</SrcCurr>"
                   "</Rates><HideCurrencies>\t<BTC>false</BTC><USD_x0020_COIN>true</USD_x0020_COIN>"
                   "</HideCurrencies></settings>");
    Open();
    EXPECT_EQ(SaveAndGet(), kFirstRunFile);
    Open();
    EXPECT_EQ(SaveAndGet(), kFirstRunFile);
}

TEST_F(XMLConfTest, LayoutLeavesTextAndMixedContentAsTheyAreAndStopsAtAnAbsurdDepth) {
    WriteFileBytes(FFile,
                   "<settings><Mixed>text<B>1</B></Mixed><Value> a b </Value><Deep><L2><L3>x</L3></L2></Deep>"
                   "</settings>");
    Open();
    EXPECT_EQ(Read("Value"), " a b ");
    EXPECT_EQ(SaveAndGet(), "<settings>\r\n"
                            "\t<Mixed>text<B>1</B></Mixed>\r\n"
                            "\t<Value> a b </Value>\r\n"
                            "\t<Deep>\r\n\t\t<L2>\r\n\t\t\t<L3>x</L3>\r\n\t\t</L2>\r\n\t</Deep>\r\n"
                            "</settings>\r\n");

    // Nesting far beyond any key: it loads, keeps its value, and is not laid out below the bound.
    std::string deep = "<settings>";
    for (int level = 0; level < 5000; ++level) {
        deep += "<N>";
    }
    deep += "v";
    for (int level = 0; level < 5000; ++level) {
        deep += "</N>";
    }
    deep += "</settings>";
    WriteFileBytes(FFile, deep);
    Open();
    const std::string saved = SaveAndGet();
    EXPECT_LT(saved.size(), deep.size() + 2000);
    EXPECT_NE(saved.find("<N><N>v</N></N>"), std::string::npos);
}

TEST_F(XMLConfTest, LoadedFileKeepsItsOwnDeclaration) {
    WriteFileBytes(FFile, "<?xml version=\"1.0\"?>\n<settings>\n  <A>1</A>\n</settings>\n");
    Open();
    EXPECT_EQ(SaveAndGet(), "<?xml version=\"1.0\"?>\r\n<settings>\r\n\t<A>1</A>\r\n</settings>\r\n");
    WriteFileBytes(FFile, "<settings><A>1</A></settings>");
    Open();
    EXPECT_EQ(SaveAndGet(), "<settings>\r\n\t<A>1</A>\r\n</settings>\r\n");
}

TEST_F(XMLConfTest, FileInAnotherEncodingIsSavedAsUtf8AndSaysSo) {
    WriteFileBytes(FFile,
                   "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><settings><A>caf\xE9</A></settings>");
    Open();
    EXPECT_EQ(Read("A"), "caf\xC3\xA9");
    EXPECT_EQ(SaveAndGet(), kDecl + "<settings>\r\n\t<A>caf\xC3\xA9</A>\r\n</settings>\r\n");
    Open();
    EXPECT_EQ(Read("A"), "caf\xC3\xA9");
}

TEST_F(XMLConfTest, KeysAreCaseSensitive) {
    WriteFileBytes(FFile, "<settings><window><X>5</X></window></settings>");
    Open();
    EXPECT_EQ(Read("Window/X"), "<unchanged>");
    EXPECT_EQ(Read("window/X"), "5");
    ConfigWrite(FDoc, "Window/X", 7);
    EXPECT_EQ(Read("window/X"), "5");
    EXPECT_EQ(Read("Window/X"), "7");
}

TEST_F(XMLConfTest, KeyWrittenTwiceKeepsOneElementWithTheLastValue) {
    Open();
    ConfigWrite(FDoc, "Rates/SrcCurr", "A");
    ConfigWrite(FDoc, "Rates/SrcCurr", "B");
    EXPECT_EQ(Read("Rates/SrcCurr"), "B");
    EXPECT_EQ(SaveAndGet(),
              kDecl + "<settings>\r\n\t<Rates>\r\n\t\t<SrcCurr>B</SrcCurr>\r\n\t</Rates>\r\n</settings>\r\n");
}

TEST_F(XMLConfTest, ReadingMissingKeysCreatesNothing) {
    Open();
    ConfigWrite(FDoc, "Rates/SrcAmount", "1");
    const std::string before = SaveAndGet();
    for (const char* key :
         {"Rates/DstCurr", "Nope/X", "Rates/SrcAmount/Deeper", "Rates/", "Rates//X", "/Rates"}) {
        std::string value = "kept";
        if (std::string(key) == "Rates/") {
            // A trailing "/" adds no segment: this is the group itself, which has element children.
            EXPECT_THROW(ConfigRead(FDoc, key, value), EConfigError);
        } else {
            EXPECT_FALSE(ConfigRead(FDoc, key, value)) << key;
        }
        EXPECT_EQ(value, "kept") << key;
    }
    EXPECT_EQ(SaveAndGet(), before);
}

TEST_F(XMLConfTest, UnusableFilesFailToLoadAndOpenStartsAfresh) {
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"foreign root", "<config><A>1</A></config>"},
        {"unclosed root", "<settings><A>1</A>"},
        {"mismatched tags", "<settings><A>1</B></settings>"},
        {"not XML", "just text"},
        {"empty file", ""},
        {"two top-level elements", "<settings/><settings/>"},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        WriteFileBytes(FFile, bytes);
        TConfigDoc doc;
        EXPECT_TRUE(ConfigOpen(doc, FFile, "settings"));
        EXPECT_FALSE(ConfigLoad(doc, FFile, "settings"));
        ASSERT_TRUE(ConfigOpen(doc, FFile, "settings"));
        std::string value;
        EXPECT_FALSE(ConfigRead(doc, "A", value));
        ASSERT_TRUE(ConfigSave(doc, FFile));
        EXPECT_EQ(ReadFileBytes(FFile), kDecl + "<settings/>\r\n");
    }
    TConfigDoc doc;
    EXPECT_TRUE(ConfigOpen(doc, FDir / "missing.xml", "settings"));
    EXPECT_FALSE(ConfigLoad(doc, FDir / "missing.xml", "settings"));
}

TEST_F(XMLConfTest, ADamagedFileIsKeptBesideItBeforeItIsReplacedAndNoCopyReplacesAnother) {
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"one NUL byte", std::string(1, '\0')},
        {"truncated", kDecl + "<settings>\r\n\t<Window>\r\n\t\t<X>12"},
        {"two roots", "<settings><A>1</A></settings><settings/>"},
        {"foreign root", "<config><A>1</A></config>"},
    };
    WriteFileBytes(FDir / "settings.xml.damaged", "a copy from an earlier run");
    std::filesystem::create_symlink("nowhere", FDir / "settings.xml.damaged.2"); // taken, though dangling
    const std::vector<std::string> names = {".damaged.1", ".damaged.3", ".damaged.4", ".damaged.5"};
    for (std::size_t index = 0; index < cases.size(); ++index) {
        const auto& [name, bytes] = cases[index];
        SCOPED_TRACE(name);
        const std::filesystem::path copy = FDir / ("settings.xml" + names[index]);
        WriteFileBytes(FFile, bytes);
        std::filesystem::permissions(FFile, std::filesystem::perms::owner_read |
                                                std::filesystem::perms::owner_write);
        TConfigDoc doc;
        ASSERT_TRUE(ConfigOpen(doc, FFile, "settings"));
        EXPECT_EQ(ConfigFileState(doc), TConfigFileState::Damaged);
        std::string message;
        EXPECT_TRUE(ConfigKeepDamaged(doc, FFile, message));
        EXPECT_EQ(ReadFileBytes(copy), bytes);
        EXPECT_EQ(std::filesystem::status(copy).permissions(),
                  std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
        EXPECT_NE(message.find("settings.xml could not be used: "), std::string::npos) << message;
        EXPECT_NE(message.find(copy.string()), std::string::npos) << message;
        ASSERT_TRUE(ConfigSave(doc, FFile));
        EXPECT_EQ(ReadFileBytes(FFile), kDecl + "<settings/>\r\n");
    }
    EXPECT_EQ(ReadFileBytes(FDir / "settings.xml.damaged"), "a copy from an earlier run");
    EXPECT_EQ(ReadFileBytes(FDir / "settings.xml.damaged.1"), cases[0].second);
}

TEST_F(XMLConfTest, OnlyAFileThatCouldNotBeUsedIsKept) {
    std::string message = "stale";
    Open(); // no file
    EXPECT_EQ(ConfigFileState(FDoc), TConfigFileState::Missing);
    EXPECT_TRUE(ConfigKeepDamaged(FDoc, FFile, message));
    EXPECT_EQ(message, "");
    WriteFileBytes(FFile, kDecl + "<settings><A>1</A></settings>");
    Open();
    EXPECT_EQ(ConfigFileState(FDoc), TConfigFileState::Loaded);
    EXPECT_TRUE(ConfigKeepDamaged(FDoc, FFile, message));
    EXPECT_EQ(message, "");
    EXPECT_FALSE(std::filesystem::exists(FDir / "settings.xml.damaged"));

    // A file that cannot be read at all (here a loop of links) leaves nothing to copy: it must stay.
    std::filesystem::remove(FFile);
    std::filesystem::create_symlink("settings.xml", FFile);
    TConfigDoc looped;
    ASSERT_TRUE(ConfigOpen(looped, FFile, "settings"));
    EXPECT_EQ(ConfigFileState(looped), TConfigFileState::Unreadable);
    EXPECT_FALSE(ConfigKeepDamaged(looped, FFile, message));
    EXPECT_NE(message.find("it is left as it is"), std::string::npos) << message;
}

TEST_F(XMLConfTest, AFifoIsNotReadAndNeverHoldsTheCaller) {
    ASSERT_EQ(mkfifo(FFile.c_str(), 0600), 0);
    TFifoRescuer rescuer(FFile);
    TConfigDoc doc;
    const bool ok = ConfigOpen(doc, FFile, "settings");
    EXPECT_FALSE(rescuer.Done()) << "the open waited for a writer";
    EXPECT_TRUE(ok);
    EXPECT_EQ(ConfigFileState(doc), TConfigFileState::NotRegular);
    std::string message;
    EXPECT_TRUE(ConfigKeepDamaged(doc, FFile, message));
    EXPECT_NE(message.find("a FIFO"), std::string::npos) << message;
    EXPECT_FALSE(std::filesystem::exists(FDir / "settings.xml.damaged"));
    ASSERT_TRUE(ConfigSave(doc, FFile));
    EXPECT_EQ(ReadFileBytes(FFile), kDecl + "<settings/>\r\n");
}

TEST_F(XMLConfTest, ElementWithElementChildrenIsAnErrorForReadAndWrite) {
    WriteFileBytes(FFile, "<settings><Mixed>text<B/></Mixed><Two><![CDATA[a]]>b</Two></settings>");
    Open();
    ConfigWrite(FDoc, "Window/X", 1);
    for (const char* key : {"Window", "Mixed", "Two"}) {
        SCOPED_TRACE(key);
        std::string value = "kept";
        try {
            ConfigRead(FDoc, key, value);
            ADD_FAILURE() << "ConfigRead did not throw";
        } catch (const EConfigError& error) {
            EXPECT_STREQ(error.what(), "Element does not contain a single text node");
        }
        EXPECT_EQ(value, "kept");
        EXPECT_THROW(ConfigWrite(FDoc, key, "x"), EConfigError);
    }
    EXPECT_EQ(Read("Window/X"), "1");
}

TEST_F(XMLConfTest, EmptyValuesReadAsMissing) {
    WriteFileBytes(FFile, "<settings><A></A><B/><C><![CDATA[]]></C><D><![CDATA[cd]]></D></settings>");
    Open();
    for (const char* key : {"A", "B", "C"}) {
        EXPECT_EQ(Read(key), "<unchanged>") << key;
    }
    EXPECT_EQ(Read("D"), "cd");
    ConfigWrite(FDoc, "D", "new");
    EXPECT_EQ(Read("D"), "new");
    ConfigWrite(FDoc, "D", "");
    EXPECT_EQ(Read("D"), "<unchanged>");
    ConfigWrite(FDoc, "A", "a");
    EXPECT_EQ(Read("A"), "a");
}

TEST_F(XMLConfTest, KeysThatNameNoElementAreRefusedWithoutChangingTheDocument) {
    Open();
    ConfigWrite(FDoc, "Group/Key/", "trailing slash adds no segment");
    EXPECT_EQ(Read("Group/Key"), "trailing slash adds no segment");
    const std::string before = SaveAndGet();
    for (const char* key :
         {"", "/", "/Group/Key", "Group//Key", "Group/1INCH", "Group/USD COIN", "Group/a:b"}) {
        SCOPED_TRACE(key);
        EXPECT_THROW(ConfigWrite(FDoc, key, 1), EConfigError);
    }
    std::string value;
    EXPECT_THROW(ConfigRead(FDoc, "", value), EConfigError);
    EXPECT_EQ(SaveAndGet(), before);
}

TEST_F(XMLConfTest, DocumentThatIsNotOpenIsReported) {
    TConfigDoc none;
    std::string value;
    EXPECT_THROW(ConfigRead(none, "A", value), EConfigError);
    EXPECT_THROW(ConfigWrite(none, "A", 1), EConfigError);
    EXPECT_FALSE(ConfigSave(none, FFile));
    EXPECT_FALSE(ConfigLoad(none, FFile, "settings"));
    EXPECT_FALSE(ConfigCreate(none, "settings"));
    EXPECT_FALSE(std::filesystem::exists(FFile));
}

TEST_F(XMLConfTest, MarkupCharactersAndNonAsciiTextSurviveASaveAndLoad) {
    const std::string odd = "A & B <c> \"q\" 'r' ]]> Сбербанк \xF0\x9F\x98\x80";
    Open();
    ConfigWrite(FDoc, "Rates/SrcCurr", odd);
    ConfigWrite(FDoc, HideCurrencyKey("1INCH"), true);
    ConfigWrite(FDoc, HideCurrencyKey("ЯНДЕКС"), false);
    ASSERT_TRUE(ConfigSave(FDoc, FFile));
    TConfigDoc again;
    ASSERT_TRUE(ConfigOpen(again, FFile, "settings"));
    ASSERT_TRUE(ConfigLoad(again, FFile, "settings"));
    std::string value;
    ASSERT_TRUE(ConfigRead(again, "Rates/SrcCurr", value));
    EXPECT_EQ(value, odd);
    ASSERT_TRUE(ConfigRead(again, HideCurrencyKey("1INCH"), value));
    EXPECT_EQ(value, "true");
    ASSERT_TRUE(ConfigRead(again, "HideCurrencies/ЯНДЕКС", value));
    EXPECT_EQ(value, "false");
}

TEST_F(XMLConfTest, AFileThatIsALinkIsWrittenWhereItLeadsAndStaysALink) {
    std::filesystem::create_directory(FDir / "dotfiles");
    WriteFileBytes(FDir / "dotfiles" / "settings.xml", kDecl + "<settings><A>1</A></settings>\r\n");
    std::filesystem::create_symlink("dotfiles/settings.xml", FFile);
    Open();
    EXPECT_EQ(Read("A"), "1");
    ConfigWrite(FDoc, "A", 2);
    ASSERT_TRUE(ConfigSave(FDoc, FFile));
    EXPECT_TRUE(std::filesystem::is_symlink(FFile));
    EXPECT_NE(ReadFileBytes(FDir / "dotfiles" / "settings.xml").find("<A>2</A>"), std::string::npos);
    // A link whose file is not made yet (a fresh dotfiles checkout) gets it made where it leads.
    std::filesystem::remove(FDir / "dotfiles" / "settings.xml");
    ASSERT_TRUE(ConfigSave(FDoc, FFile));
    EXPECT_TRUE(std::filesystem::is_symlink(FFile));
    EXPECT_NE(ReadFileBytes(FDir / "dotfiles" / "settings.xml").find("<A>2</A>"), std::string::npos);
}

TEST_F(XMLConfTest, FailedSaveReportsFalse) {
    Open();
    ConfigWrite(FDoc, "A", 1);
    EXPECT_FALSE(ConfigSave(FDoc, FDir / "no-such-folder" / "settings.xml"));
    std::filesystem::create_directory(FFile);
    WriteFileBytes(FFile / "inside", "x");
    EXPECT_FALSE(ConfigSave(FDoc, FFile));
    EXPECT_EQ(ReadFileBytes(FFile / "inside"), "x");
}

} // namespace
