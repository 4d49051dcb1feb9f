// "Check Online for Update" against servers on 127.0.0.1 that the tests start
// themselves, seen through the editor's message boxes and opened pages.
#include <chrono>
#include <memory>
#include <optional>

#include "editor/Menus.h"
#include "online/MakerSite.h"
#include "online/UpdateCheck.h"
#include "platform/CurlLibrary.h"
#include "tests/menus/MenuTestSupport.h"
#include "tests/support/LoopbackHttpServer.h"

namespace {

using Behaviour = LoopbackHttpServer::Behaviour;

constexpr const char* kTitle = "Check Online for Update";
constexpr const char* kNewTitle = "New Version of Vornell Detected";
constexpr int kInformation = kMessageOk | kMessageIconInformation;
constexpr int kError = kMessageOk | kMessageIconError;

struct Case {
  const char* name;
  Behaviour behaviour;
  std::string body;
  std::string status;
  int answer;             // to the question, 0: none expected
  int result;             // of the check
  std::string caption;    // of the one message box
  int type;               // of the box
  std::string shownText;  // a part of its text
  bool pageOpened;
};

class UpdateCheck : public MenuFixture {
 protected:
  void SetUp() override {
    MenuFixture::SetUp();
    // Short bounds: a silent server ends the check in about a second.
    UpdateCheckLimits limits;
    limits.connectTimeoutMs = 1000;
    limits.totalTimeoutMs = 1500;
    plug->Commands().SetUpdateCheckLimits(limits);
  }
};

TEST_F(UpdateCheck, RepliesAndFailuresEndInOneMessage) {
  const std::string newer = "\tYour version: \t1.0.1\n\tNew version: \t";
  const std::vector<Case> cases = {
      {"older", Behaviour::Reply, "1001", "200 OK", 0, 0, kTitle, kInformation, "Your version is up to date.", false},
      {"next", Behaviour::Reply, "1002", "200 OK", kAnswerYes, 0, kNewTitle, kMessageYesNo | kMessageIconQuestion,
       newer + "1.0.2\n", true},
      {"two-digit patch", Behaviour::Reply, "1010", "200 OK", kAnswerNo, 0, kNewTitle,
       kMessageYesNo | kMessageIconQuestion, newer + "1.0.10\n", false},
      {"major", Behaviour::Reply, "2105\r\n", "200 OK", kAnswerYes, 0, kNewTitle, kMessageYesNo | kMessageIconQuestion,
       newer + "2.1.5\n", true},
      {"text", Behaviour::Reply, "abc", "200 OK", 0, 0, kTitle, kInformation, "Your version is up to date.", false},
      {"html page", Behaviour::Reply, "<html><body>1009</body></html>", "200 OK", 0, -3, kTitle, kError, "invalid",
       false},
      {"server error in plain text", Behaviour::Reply, "Not Found", "404 Not Found", 0, -3, kTitle, kError, "invalid",
       false},
      {"empty", Behaviour::Reply, "", "200 OK", 0, -1, kTitle, kError, "An error occurred", false},
      {"silent", Behaviour::Silent, "", "", 0, -1, kTitle, kError, "An error occurred", false},
      {"endless", Behaviour::Endless, "", "", 0, -1, kTitle, kError, "An error occurred", false},
      {"refused", Behaviour::Reply, "", "", 0, -1, kTitle, kError, "An error occurred", false},
  };
  // A proxy in the environment must not be used.
  ScopedEnvironment proxy("http_proxy", LoopbackHttpServer::RefusingAddress());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<LoopbackHttpServer> server;
    std::string address = LoopbackHttpServer::RefusingAddress();
    if (std::string(c.name) != "refused") {
      server = std::make_unique<LoopbackHttpServer>(c.behaviour, c.body, c.status);
      ASSERT_TRUE(server->Listening());
      address = server->Address();
    }
    ScopedEnvironment variable(kUpdateServerVariable, address + "/");
    Window().messagesShown.clear();
    Window().urlsOpened.clear();
    if (c.answer) AnswerMessage(c.answer);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(plug->Commands().CheckOnlineForUpdate(), c.result);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    ASSERT_EQ(Window().messagesShown.size(), 1u);
    const HeadlessWindowSystem::ShownMessage& shown = Window().messagesShown[0];
    EXPECT_EQ(shown.caption, c.caption);
    EXPECT_EQ(shown.type, c.type);
    EXPECT_NE(shown.text.find(c.shownText), std::string::npos) << shown.text;
    EXPECT_EQ(Window().urlsOpened,
              c.pageOpened ? std::vector<std::string>{MakerDownloadPageUrl()} : std::vector<std::string>{});
    if (server) {
      ASSERT_EQ(server->Requests().size(), 1u);
      EXPECT_EQ(server->Requests()[0], "GET /music/version/?file=vornell HTTP/1.1\r\nHost: 127.0.0.1:" +
                                           address.substr(address.rfind(':') + 1) +
                                           "\r\nUser-Agent: Vornell\r\nAccept: */*");
    }
  }
}

TEST_F(UpdateCheck, TheMenuItemRunsTheCheck) {
  LoopbackHttpServer server(Behaviour::Reply, "1001");
  ScopedEnvironment variable(kUpdateServerVariable, server.Address());
  EXPECT_TRUE(BuildOptionMenu(*plug)->GetItem(21)->Submenu()->GetItem(0)->Enabled());
  AnswerMenu({21, 0});
  ASSERT_TRUE(RunOptionMenu(*plug, Graphics(), 0, 0));
  EXPECT_EQ(Messages(), std::vector<std::string>{std::string(kTitle) + "|Your version is up to date."});
}

// libcurl is loaded only when a check runs; a system without a usable one
// gets a message that says what is missing, and nothing is sent.
TEST(UpdateCheckWithoutHttpLibrary, SaysWhatIsMissing) {
  struct RecordingHost : UpdateCheckHost {
    std::vector<std::pair<std::string, int>> shown;
    int ShowMessage(const std::string& text, const std::string& caption, int type) override {
      shown.emplace_back(caption + "|" + text, type);
      return kAnswerYes;
    }
    void OpenWebPage(const std::string&) override { ADD_FAILURE() << "a page was opened"; }
  };
  LoopbackHttpServer server(Behaviour::Reply, "1002");
  ASSERT_TRUE(server.Listening());
  // Absent, and present but without libcurl's functions.
  for (const auto& [name, why] :
       {std::pair<std::string, std::string>{"libvornell-absent-curl.so.4", "libvornell-absent-curl.so.4"},
        {"libz.so.1", "libz.so.1 has no curl_"}}) {
    SCOPED_TRACE(name);
    const CurlLibrary library(name);
    EXPECT_FALSE(library.Usable());
    EXPECT_EQ(library.easyPerform, nullptr);
    RecordingHost host;
    EXPECT_EQ(CheckOnlineForUpdate(host, server.Address(), UpdateCheckLimits(), library), kUpdateCheckFailed);
    ASSERT_EQ(host.shown.size(), 1u);
    const std::string& text = host.shown[0].first;
    EXPECT_EQ(text.rfind(std::string(kTitle) + "|An error occurred while contacting", 0), 0u) << text;
    EXPECT_NE(text.find("HTTP library could not be loaded"), std::string::npos) << text;
    EXPECT_NE(text.find(why), std::string::npos) << text;
    EXPECT_EQ(host.shown[0].second, kError);
  }
  EXPECT_TRUE(server.Requests().empty());
  // The process's own libcurl still answers.
  EXPECT_TRUE(CurlLibrary::Process().Usable()) << CurlLibrary::Process().Failure();
}

TEST(UpdateCheckText, ServerVariableAndVersionText) {
  {
    ScopedEnvironment unset(kUpdateServerVariable, std::nullopt);
    EXPECT_EQ(UpdateServer(), MakerUpdateServer());
    EXPECT_EQ(UpdateQueryUrl(UpdateServer()), std::string("http://") + kMakerHost + "/music/version/?file=vornell");
  }
  for (const char* ignored : {"", "ftp://127.0.0.1", "127.0.0.1:8080", "http://"}) {
    ScopedEnvironment set(kUpdateServerVariable, std::string(ignored));
    EXPECT_EQ(UpdateServer(), MakerUpdateServer()) << ignored;
  }
  EXPECT_EQ(MakerDownloadPageUrl(), MakerSiteUrl() + "music/vst.html");
  EXPECT_NE(MakerSiteUrl().find(kMakerHost), std::string::npos);

  const std::vector<std::pair<std::string, std::string>> texts = {
      {"1002", "1.0.2"}, {"1010", "1.0.10"},          {"1012", "1.0.12"}, {"2105", "2.1.5"},
      {"1100", "1.1.0"}, {" 1003 \n<junk>", "1.0.3"}, {"12", "12"}};
  for (const auto& [reply, text] : texts) EXPECT_EQ(ReplyVersionText(reply), text) << reply;
  EXPECT_EQ(ReplyVersionNumber("abc"), 0);
  EXPECT_EQ(ReplyVersionNumber("1002abc"), 1002);
  EXPECT_EQ(ReplyVersionNumber("99999999999999999999"), 2147483647);
}

}  // namespace
