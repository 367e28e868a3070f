// The database, web, transaction and connection blocks, with test objects.
#include <vector>

#include "ErrorsFixture.h"

namespace tarnwick::mErrTrap::testing {
namespace {

struct TestConnection : ErrDbObject {
  std::int32_t state = 1;
  bool failConnectionString = false;
  std::vector<Text> calls;
  Text TypeName() override { return u"Connection"; }
  Text ConnectionString() override {
    if (failConnectionString) RaiseRuntime(rt::InvalidProperty);
    return u"Provider=Test;Data Source=db";
  }
  std::int32_t State() override { return state; }
  std::vector<Text> ErrorDescriptions() override { return {u"Timeout expired", u"Login failed"}; }
  void CallMethod(TextView name) override {
    calls.emplace_back(name);
    if (name == u"RollbackTrans") Raise(3219, u"Operation is not allowed in this context.");
  }
};

struct TestRecordset : ErrDbObject {
  ErrDbObject* connection = nullptr;
  Text TypeName() override { return u"Recordset"; }
  ErrDbObject* ActiveConnection() override { return connection; }
};

struct TestControl : ErrTransControl {
  int aborts = 0;
  void CallMethod(TextView name) override { aborts += name == u"SetAbort"; }
};

struct TestRequest : ErrWebRequest {
  Text query = u"a=1";
  Text ServerVariable(TextView name) override {
    if (name == u"SERVER_NAME") return u"web01";
    if (name == u"REQUEST_METHOD") return u"POST";
    if (name == u"URL") return u"/convert%Cookies%";
    return {};
  }
  Text QueryString() override { return query; }
  Text FormText() override { return u"text=abc"; }
  Text CookiesText() override { return u"id=7"; }
};

struct TestContext : ErrContextObject {
  TestRequest request;
  std::vector<Text> calls;
  ErrWebRequest* Request() override { return &request; }
  void CallMethod(TextView name) override { calls.emplace_back(name); }
};

// The report without its six header lines.
Text AfterHeader(const Text& report) {
  std::size_t at = 0;
  for (int line = 0; line < 6; ++line) at = report.find(u"\r\n", at) + 2;
  return report.substr(at);
}

class OptionalBlocksTest : public ErrorsTest {
 protected:
  Text Fail(std::int32_t flags, ErrDbObject* db, ErrTransControl* control = nullptr) {
    CurrentError() = ErrInfo{91, u"Tarnwick", u"x", u"", 0};
    SetFailureStep(10);
    return AfterHeader(ErrorIn(u"mDb.Query(sql)", Value(Text(u"SELECT 1")), flags, db, {},
                               Value(MissingValue{}), control));
  }
  TestConnection connection;
};

constexpr char16_t kQueryLine[] = u"  Call Stack: mDb.Query(sql='SELECT 1')  at Line 10 ";

TEST_F(OptionalBlocksTest, AdoInfoStandsBeforeTheFirstCallStackLine) {
  TestRecordset recordset;
  recordset.connection = &connection;
  connection.state = 1 | 4;
  EXPECT_EQ(Fail(42, &recordset),
            u"  ADO Info: \r\n"
            u"    ADO Version:   ?\r\n"
            u"    DbObject:      Recordset\r\n"
            u"    Conn. String: 'Provider=Test;Data Source=db'\r\n"
            u"    Conn. State:   adStateOpen + adStateExecuting\r\n"
            u"    Error:         Timeout expired\r\n"
            u"    Error:         Login failed\r\n" +
                Dashed(kQueryLine));
}

TEST_F(OptionalBlocksTest, AdoInfoStopsAtItsFirstFailure) {
  connection.failConnectionString = true;
  EXPECT_EQ(Fail(42, &connection), u"  ADO Info: \r\n    ADO Version:   ?\r\n"
                                   u"    DbObject:      Connection\r\n" +
                                       Dashed(kQueryLine));
}

TEST_F(OptionalBlocksTest, RollbackAndCloseLinesFollowTheirLevel) {
  connection.state = 1;
  const Text blocks = Fail(2 | 16 | 64, &connection);
  EXPECT_EQ(blocks.substr(blocks.find(u"  Call Stack")),
            Dashed(kQueryLine) +
                u"    Transaction: Attempt to call RollbackTrans failed with error "
                u"'Operation is not allowed in this context.'\r\n"
                u"    Connection: Attempt to call Close succeeded\r\n");
  EXPECT_EQ(connection.calls, (std::vector<Text>{u"RollbackTrans", u"Close"}));
  connection.state = 0;
  const Text closed = Fail(2 | 16 | 64, &connection);
  EXPECT_EQ(closed.substr(closed.find(u"    Transaction")),
            u"    Transaction: Could not call RollbackTrans: Connection is closed \r\n");
}

TEST_F(OptionalBlocksTest, TransactionControlObjectIsAbortedWithAnyFlags) {
  TestControl control;
  const Text blocks = Fail(35 & ~1, nullptr, &control);
  EXPECT_EQ(blocks, Dashed(kQueryLine) +
                        u"    Transaction: Attempt to call TransControlObject.SetAbort: succeeded\r\n");
  EXPECT_EQ(control.aborts, 1);
}

TEST_F(OptionalBlocksTest, ContextObjectGivesWebInfoAndAbortOrDisableCommit) {
  TestContext context;
  SetObjectContext(&context);
  EXPECT_EQ(Fail(2 | 4 | 32, nullptr),
            u"  Web Info: \r\n"
            u"    RequestMethod='POST'\r\n"
            u"    QueryString: 'web01/convert%Cookies%?a=1' \r\n"
            u"    FormData:    'text=abc' \r\n"
            u"    Cookies:     'id=7' \r\n" +
                Dashed(kQueryLine) + u"    Transaction: Attempt to call ObjectContext.SetAbort succeeded\r\n");
  context.request.query.clear();
  const Text commit = Fail(42, nullptr);
  EXPECT_NE(commit.find(u"QueryString: 'web01/convert%Cookies%' \r\n"), Text::npos);
  EXPECT_NE(commit.find(u"    Transaction: Attempt to call ObjectContext.DisableCommit succeeded\r\n"),
            Text::npos);
  EXPECT_EQ(context.calls, (std::vector<Text>{u"SetAbort", u"DisableCommit"}));
  EXPECT_EQ(Fail(2, nullptr), Dashed(kQueryLine));  // neither bit 4, 8 nor 32
}

TEST_F(OptionalBlocksTest, SilentErrorStillAbortsButWritesNothing) {
  TestControl control;
  CurrentError() = ErrInfo{kSilentLast, u"s", u"d", u"", 0};
  EXPECT_EQ(ErrorIn(u"m.P", Value(MissingValue{}), 42, nullptr, {}, Value(MissingValue{}), &control),
            u"");
  EXPECT_EQ(control.aborts, 1);
  EXPECT_EQ(ErrReportText(), u"");
}

TEST(ErrGetConnection, ByTypeName) {
  TestConnection connection;
  TestRecordset recordset;
  recordset.connection = &connection;
  struct Other : ErrDbObject {
    Text TypeName() override { return u"Field"; }
  } other;  // no Connection member: a failure gives none
  EXPECT_EQ(ErrGetConnection(nullptr), nullptr);
  EXPECT_EQ(ErrGetConnection(&connection), &connection);
  EXPECT_EQ(ErrGetConnection(&recordset), &connection);
  EXPECT_EQ(ErrGetConnection(&other), nullptr);
}

TEST(ErrCallMethod, OutcomeTexts) {
  TestConnection connection;
  EXPECT_EQ(ErrCallMethod(&connection, u"Close"), u"succeeded");
  EXPECT_EQ(ErrCallMethod(&connection, u"Open"), u"failed with error 'Unknown method'");
  EXPECT_EQ(ErrCallMethod(nullptr, u"Close"),
            u"failed with error 'Object variable or With block variable not set'");
  TestRecordset recordset;  // has no methods of its own
  EXPECT_EQ(ErrCallMethod(&recordset, u"SetAbort"),
            u"failed with error 'Object doesn't support this property or method'");
  EXPECT_EQ(connection.calls, (std::vector<Text>{u"Close"}));
}

TEST(ErrAdoStateName, Bits) {
  EXPECT_EQ(ErrAdoStateName(0), u"adStateClosed");
  EXPECT_EQ(ErrAdoStateName(1), u"adStateOpen");
  EXPECT_EQ(ErrAdoStateName(15),
            u"adStateOpen + adStateConnecting + adStateExecuting + adStateFetching");
  EXPECT_EQ(ErrAdoStateName(8), u" + adStateFetching");
}

}  // namespace
}  // namespace tarnwick::mErrTrap::testing
