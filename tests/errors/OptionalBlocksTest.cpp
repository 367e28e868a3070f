// The database, web, transaction and connection blocks, with test objects
// that record every method called on them.
#include <functional>
#include <vector>

#include "ErrorsFixture.h"

namespace tarnwick::mErrTrap::testing {
namespace {

std::vector<Text> g_calls;

struct TestConnection : ErrDbObject {
  std::int32_t state = 1;
  bool failConnectionString = false;
  Text TypeName() override { return u"Connection"; }
  Text ConnectionString() override {
    if (failConnectionString) RaiseRuntime(rt::InvalidProperty);
    return u"Provider=Test;Data Source=db";
  }
  std::int32_t State() override { return state; }
  std::vector<Text> ErrorDescriptions() override { return {u"Timeout expired", u"Login failed"}; }
  void CallMethod(TextView name) override {
    g_calls.emplace_back(name);
    if (name == u"RollbackTrans") Raise(3219, u"Operation is not allowed in this context.");
  }
};
struct TestRecordset : ErrDbObject {  // or a Command, which reaches its connection alike
  ErrDbObject* connection = nullptr;
  Text type = u"Recordset";
  Text TypeName() override { return type; }
  ErrDbObject* ActiveConnection() override { return connection; }
};
struct TestControl : ErrTransControl {
  void CallMethod(TextView name) override { g_calls.emplace_back(name); }
};
struct TestContext : ErrContextObject, ErrWebRequest {
  Text query = u"a=1";
  ErrWebRequest* Request() override { return this; }
  void CallMethod(TextView name) override { g_calls.emplace_back(name); }
  Text ServerVariable(TextView name) override {
    if (name == u"SERVER_NAME") return u"web01";
    if (name == u"REQUEST_METHOD") return u"POST";
    return name == u"URL" ? u"/convert%Cookies%" : u"";
  }
  Text QueryString() override { return query; }
  Text FormText() override { return u"text=abc"; }
  Text CookiesText() override { return u"id=7"; }
};

struct Objects {
  TestConnection connection;
  TestRecordset recordset;
  TestControl control;
  TestContext context;
};

// The report of error 91 in step 10 of mDb.Query without its six header lines.
Text Fail(std::int32_t flags, ErrDbObject* db, ErrTransControl* control = nullptr,
          std::int32_t number = 91) {
  CurrentError() = ErrInfo{number, u"Tarnwick", u"x", u"", 0};
  SetFailureStep(10);
  Text report = ErrorIn(u"mDb.Query(sql)", Value(Text(u"SELECT 1")), flags, db, {},
                        Value(MissingValue{}), control);
  std::size_t at = 0;
  for (int line = 0; line < 6 && !report.empty(); ++line) at = report.find(u"\r\n", at) + 2;
  return report.substr(at);
}

Text AdoInfo(const Text& dbObject, const Text& state) {
  return u"  ADO Info: \r\n    ADO Version:   ?\r\n    DbObject:      " + dbObject +
         u"\r\n    Conn. String: 'Provider=Test;Data Source=db'\r\n    Conn. State:   " + state +
         u"\r\n    Error:         Timeout expired\r\n    Error:         Login failed\r\n";
}

const Text kQueryLine = Dashed(u"  Call Stack: mDb.Query(sql='SELECT 1')  at Line 10 ");
Text WebInfo(const Text& queryString) {
  return u"  Web Info: \r\n    RequestMethod='POST'\r\n    QueryString: 'web01/convert%Cookies%" +
         queryString + u"' \r\n    FormData:    'text=abc' \r\n    Cookies:     'id=7' \r\n";
}

struct Row {
  const char* name;
  std::function<Text(Objects&)> fail;
  Text blocks;
  std::vector<Text> calls = {};
};
void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }

const Row kRows[] = {
    {"AdoInfoBeforeTheFirstCallStackLine",
     [](Objects& o) { o.connection.state = 15; return Fail(42, &o.recordset); },
     AdoInfo(u"Recordset",
             u"adStateOpen + adStateConnecting + adStateExecuting + adStateFetching") + kQueryLine},
    {"CommandGivesItsActiveConnectionsAdoInfo",
     [](Objects& o) { o.recordset.type = u"Command"; return Fail(42, &o.recordset); },
     AdoInfo(u"Command", u"adStateOpen") + kQueryLine},
    {"AdoInfoStopsAtItsFirstFailure",
     [](Objects& o) { o.connection.failConnectionString = true; return Fail(42, &o.connection); },
     u"  ADO Info: \r\n    ADO Version:   ?\r\n    DbObject:      Connection\r\n" + kQueryLine},
    {"RollbackAndCloseFollowTheLevel", [](Objects& o) { return Fail(2 | 16 | 64, &o.connection); },
     AdoInfo(u"Connection", u"adStateOpen") + kQueryLine +
         u"    Transaction: Attempt to call RollbackTrans failed with error "
         u"'Operation is not allowed in this context.'\r\n"
         u"    Connection: Attempt to call Close succeeded\r\n",
     {u"RollbackTrans", u"Close"}},
    {"ClosedConnectionIsNeitherRolledBackNorClosed",
     [](Objects& o) { o.connection.state = 0; return Fail(2 | 16 | 64, &o.connection); },
     AdoInfo(u"Connection", u"adStateClosed") + kQueryLine +
         u"    Transaction: Could not call RollbackTrans: Connection is closed \r\n"},
    {"ObjectWithoutAConnectionGivesNoAdoInfo", [](Objects&) {
       struct Field : ErrDbObject {
         Text TypeName() override { return u"Field"; }
       } field;
       return Fail(42, &field);
     }, kQueryLine},
    {"TransactionControlIsAbortedWithAnyFlags",
     [](Objects& o) { return Fail(34, nullptr, &o.control); },
     kQueryLine + u"    Transaction: Attempt to call TransControlObject.SetAbort: succeeded\r\n",
     {u"SetAbort"}},
    {"ContextGivesWebInfoAndSetAbort",
     [](Objects& o) { SetObjectContext(&o.context); return Fail(2 | 4 | 32, nullptr); },
     WebInfo(u"?a=1") + kQueryLine +
         u"    Transaction: Attempt to call ObjectContext.SetAbort succeeded\r\n",
     {u"SetAbort"}},
    {"ContextDisableCommitAndEmptyQuery",
     [](Objects& o) {
       SetObjectContext(&o.context);
       o.context.query.clear();
       return Fail(2 | 8 | 32, nullptr);
     },
     WebInfo(u"") + kQueryLine +
         u"    Transaction: Attempt to call ObjectContext.DisableCommit succeeded\r\n",
     {u"DisableCommit"}},
    {"ContextWithoutItsBitsIsLeftAlone",
     [](Objects& o) { SetObjectContext(&o.context); return Fail(2, nullptr); }, kQueryLine},
    {"SilentErrorStillAbortsButWritesNothing",
     [](Objects& o) { return Fail(42, nullptr, &o.control, kSilentLast) + ErrReportText(); }, u"",
     {u"SetAbort"}},
};

class OptionalBlocks : public ErrorsTest, public ::testing::WithParamInterface<Row> {};

TEST_P(OptionalBlocks, FollowTheFlagsAndObjects) {
  Objects objects;
  objects.recordset.connection = &objects.connection;
  g_calls.clear();
  EXPECT_EQ(GetParam().fail(objects), GetParam().blocks);
  EXPECT_EQ(g_calls, GetParam().calls);
}

INSTANTIATE_TEST_SUITE_P(Rows, OptionalBlocks, ::testing::ValuesIn(kRows),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(OptionalBlocks, MethodsCalledByNameFailWithTheirReason) {
  TestRecordset recordset;  // has no methods of its own
  EXPECT_EQ(ErrCallMethod(&recordset, u"Open"), u"failed with error 'Unknown method'");
  EXPECT_EQ(ErrCallMethod(&recordset, u"Close"),
            u"failed with error 'Object doesn't support this property or method'");
  EXPECT_EQ(ErrCallMethod(nullptr, u"Close"),
            u"failed with error 'Object variable or With block variable not set'");
}

}  // namespace
}  // namespace tarnwick::mErrTrap::testing
