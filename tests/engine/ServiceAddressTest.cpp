#include "engine/ServiceAddress.h"

#include "engine/Protocol.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

TEST(ServiceAddress, TakesSchemeHostAndPortAndNothingElse) {
    for (const char* good : {"http://rates.example", "https://rates.example:8443", "HTTPS://Rates.Example",
                             "http://127.0.0.1:8765", "https://[::1]:443", "http://a-b.c1.example"})
        EXPECT_EQ(ServiceBaseProblem(good), "") << good;
    const std::pair<const char*, const char*> bad[] = {
        {"", "адрес не указан"},
        {"rates.example", "адрес должен начинаться с http:// или https://"},
        {"ftp://rates.example", "адрес должен начинаться с http:// или https://"},
        {"http://rates.example/api", "после имени сервера и порта ничего не допускается"},
        {"http://user@rates.example", "после имени сервера и порта ничего не допускается"},
        {"http://rates.example?x=1", "после имени сервера и порта ничего не допускается"},
        {"http://", "неверное имя сервера"},
        {"http://rates..example", "неверное имя сервера"},
        {"http://rates_example", "неверное имя сервера"},
        {"http://[::1", "неверное имя сервера"},
        {"http://[::1]x", "после имени сервера и порта ничего не допускается"},
        {"http://rates.example:", "порт должен быть числом от 1 до 65535"},
        {"http://rates.example:0", "порт должен быть числом от 1 до 65535"},
        {"http://rates.example:65536", "порт должен быть числом от 1 до 65535"},
        {"http://rates.example:80a", "порт должен быть числом от 1 до 65535"},
    };
    for (const auto& [text, problem] : bad)
        EXPECT_EQ(ServiceBaseProblem(text), problem) << text;
    EXPECT_EQ(NormalizeServiceBase("  https://rates.example:8443//  "), "https://rates.example:8443");
    EXPECT_EQ(ServiceBaseProblem(NormalizeServiceBase("http:///")), "неверное имя сервера");
}

TEST(ServiceAddress, IsStoredOnlyOnceChangedAndAnUnusableOneReadsAsTheBuilds) {
    TTempDir dir;
    TConfigDoc doc;
    ASSERT_TRUE(ConfigOpen(doc, dir / "settings.xml", "settings"));
    WriteServiceBase(doc, ServiceBase + "/");
    std::string stored;
    EXPECT_FALSE(ConfigRead(doc, kServiceBaseKey, stored));
    EXPECT_EQ(ReadServiceBase(doc), ServiceBase);

    WriteServiceBase(doc, " https://rates.example:8443/ ");
    ASSERT_TRUE(ConfigRead(doc, kServiceBaseKey, stored));
    EXPECT_EQ(stored, "https://rates.example:8443");
    EXPECT_EQ(ReadServiceBase(doc), "https://rates.example:8443");
    ConfigWrite(doc, kServiceBaseKey, "https://rates.example/../etc");
    EXPECT_EQ(ReadServiceBase(doc), ServiceBase);
}

TEST(ServiceAddress, EachServiceKeepsItsFeedsInAFolderOfItsOwn) {
    const std::filesystem::path root = "/cache/kovrin";
    EXPECT_EQ(KeptFeedsFolderFor(root, ServiceBase), root);
    const auto a = KeptFeedsFolderFor(root, "https://rates.example");
    const auto b = KeptFeedsFolderFor(root, "http://rates.example");
    EXPECT_EQ(a, root / "services" / "https_rates.example_443");
    EXPECT_EQ(KeptFeedsFolderFor(root, "HTTPS://Rates.Example:443/"), a);
    EXPECT_EQ(KeptFeedsFolderFor(root, "https://rates.example:0443"), a);
    EXPECT_NE(a, b);
    EXPECT_NE(b, KeptFeedsFolderFor(root, "http://rates.example:8080"));
    EXPECT_EQ(KeptFeedsFolderFor(root, "http://[::1]:8765").filename(), "http_++1_8765");
}
