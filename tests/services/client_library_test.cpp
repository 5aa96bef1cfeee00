#include "services/client_library.h"

#include "services/service_errors.h"
#include "temp_dir.h"

#include <filesystem>

#include <gtest/gtest.h>

namespace tervolen {
namespace {

template <class Action> std::string clientErrorText(Action action) {
    try {
        action();
    } catch (const ClientError& error) {
        return error.text();
    }
    return "no error";
}

TEST(ClientLibraryCache, MissingLibrary) {
    EXPECT_EQ(clientErrorText([] { ClientLibraryCache::instance().library("/nonexistent/gds32.so"); }),
              "Can't load library /nonexistent/gds32.so ");
    EXPECT_EQ(clientErrorText([] { ClientLibraryCache::instance().library(""); }), "Can't load library  ");
}

TEST(ClientLibraryCache, LibraryWithoutTheClientEntryPoints) {
    std::string text = clientErrorText([] { ClientLibraryCache::instance().library("libz.so.1"); });
    EXPECT_TRUE(text.starts_with("System Error.  Code: 127.\r\n")) << text;
    EXPECT_NE(text.find("isc_sqlcode"), std::string::npos) << text;
}

TEST(ClientLibraryCache, ServicesApiLevelWithoutOneOfItsEntryPoints) {
    std::string text = clientErrorText([] { ClientLibraryCache::instance().library(FAKE_FBCLIENT_NO_QUERY); });
    EXPECT_TRUE(text.starts_with("System Error.  Code: 127.\r\n")) << text;
    EXPECT_NE(text.find("isc_service_query"), std::string::npos) << text;
}

TEST(ClientLibraryCache, LibraryBelowTheServicesApiLevelLoadsWithUnboundServiceCalls) {
    ClientLibrary& library = ClientLibraryCache::instance().library(FAKE_FBCLIENT_BASIC);
    isc::StatusVector status{};
    isc::isc_svc_handle handle = 0;
    const std::string prefix = "Can't find procedure ";
    const std::string suffix = std::string(" in ") + FAKE_FBCLIENT_BASIC;
    EXPECT_EQ(clientErrorText([&] { library.isc_service_attach(status, 0, "", &handle, 0, ""); }),
              prefix + "isc_service_attach" + suffix);
    EXPECT_EQ(clientErrorText([&] { library.isc_service_detach(status, &handle); }),
              prefix + "isc_service_detach" + suffix);
    EXPECT_EQ(clientErrorText([&] { library.isc_service_start(status, &handle, nullptr, 0, ""); }),
              prefix + "isc_service_start" + suffix);
    char buffer[8];
    EXPECT_EQ(clientErrorText([&] { library.isc_service_query(status, &handle, nullptr, 0, "", 0, "", 8, buffer); }),
              prefix + "isc_service_query" + suffix);
    EXPECT_EQ(library.isc_vax_integer("\x01\x02", 2), 0x0201);
}

TEST(ClientLibraryCache, SameNameIsOneLibraryOtherSpellingIsAnother) {
    ClientLibrary& first = ClientLibraryCache::instance().library(FAKE_FBCLIENT);
    EXPECT_EQ(&ClientLibraryCache::instance().library(FAKE_FBCLIENT), &first);
    std::string otherSpelling = std::string(FAKE_FBCLIENT);
    otherSpelling.insert(otherSpelling.rfind('/'), "/.");
    ClientLibrary& second = ClientLibraryCache::instance().library(otherSpelling);
    EXPECT_NE(&second, &first);
    EXPECT_EQ(second.name(), otherSpelling);
    EXPECT_EQ(&ClientLibraryCache::instance().library(FAKE_FBCLIENT), &first);
}

TEST(ClientLibraryCache, FailedLoadIsNotRemembered) {
    EXPECT_NE(clientErrorText([] { ClientLibraryCache::instance().library("libz.so.1"); }), "no error");
    EXPECT_NE(clientErrorText([] { ClientLibraryCache::instance().library("libz.so.1"); }), "no error");
}

TEST(ClientLibraryCache, LibraryThatAppearsAfterAFailedLoadIsLoaded) {
    // Beside the stand-in library, in folders that root may trust.
    test::TempDir dir(std::filesystem::path(FAKE_FBCLIENT).parent_path().string());
    const std::string path = dir.file("libappearing.so");
    EXPECT_EQ(clientErrorText([&] { ClientLibraryCache::instance().library(path); }),
              "Can't load library " + path + " ");
    std::filesystem::copy_file(FAKE_FBCLIENT, path);
    std::string loaded;
    EXPECT_EQ(clientErrorText([&] { loaded = ClientLibraryCache::instance().library(path).name(); }), "no error");
    EXPECT_EQ(loaded, path);
}

} // namespace
} // namespace tervolen
