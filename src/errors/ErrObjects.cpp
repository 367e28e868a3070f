// The optional report blocks: database connection, web request, transaction
// and connection outcomes. They appear only where such objects exist.
#include "errors/ErrObjects.h"

#include <array>

#include "errors/ErrInfo.h"
#include "errors/ErrReport.h"
#include "errors/ErrTrap.h"

namespace tarnwick::mErrTrap {

const char16_t kWebTemplate[] =
    u"  Web Info: %nl%"
    u"    RequestMethod='%RequestMethod%'%nl%"
    u"    QueryString: '%WebServer%%URL%%QS%' %nl%"
    u"    FormData:    '%FormData%' %nl%"
    u"    Cookies:     '%Cookies%' ";

namespace {

ErrContextObject* g_objectContext = nullptr;

constexpr std::array<TextView, 4> kCallableMethods = {u"Close", u"DisableCommit", u"SetAbort",
                                                      u"RollbackTrans"};

bool IsCallable(TextView name) {
  for (TextView known : kCallableMethods) {
    if (known == name) return true;
  }
  return false;
}

}  // namespace

// --- Members that the object does not have -----------------------------------

void ErrLateBound::CallMethod(TextView) { RaiseRuntime(rt::NoSuchMember); }
ErrDbObject* ErrDbObject::ActiveConnection() { RaiseRuntime(rt::NoSuchMember); }
ErrDbObject* ErrDbObject::Connection() { RaiseRuntime(rt::NoSuchMember); }
Text ErrDbObject::ConnectionString() { RaiseRuntime(rt::NoSuchMember); }
std::int32_t ErrDbObject::State() { RaiseRuntime(rt::NoSuchMember); }
std::vector<Text> ErrDbObject::ErrorDescriptions() { RaiseRuntime(rt::NoSuchMember); }

ErrContextObject* ErrObjectContext() { return g_objectContext; }
void SetObjectContext(ErrContextObject* context) { g_objectContext = context; }

// --- The blocks -------------------------------------------------------------------

ErrDbObject* ErrGetConnection(ErrDbObject* dbObject) {
  if (!dbObject) return nullptr;
  try {
    const Text type = dbObject->TypeName();
    if (type == u"Connection") return dbObject;
    if (type == u"Command" || type == u"Recordset") return dbObject->ActiveConnection();
    return dbObject->Connection();
  } catch (...) {
    return nullptr;
  }
}

void ErrAppendAdoInfo(ErrDbObject* connection, ErrDbObject* dbObject) {
  if (!connection) return;
  Contained([&] {
    ErrAppendLine(u"  ADO Info: ");
    ErrAppendLine(u"    ADO Version:   " + ErrAdoVersion());
    if (!dbObject) RaiseRuntime(rt::ObjectNotSet);
    ErrAppendLine(u"    DbObject:      " + dbObject->TypeName());
    ErrAppendLine(u"    Conn. String: '" + connection->ConnectionString() + u"'");
    ErrAppendLine(u"    Conn. State:   " + ErrAdoStateName(connection->State()));
    for (const Text& description : connection->ErrorDescriptions())
      ErrAppendLine(u"    Error:         " + description);
  });
}

void ErrAppendWebInfo() {
  ErrContextObject* context = ErrObjectContext();
  if (!context) return;
  Contained([&] {
    ErrWebRequest* request = context->Request();
    if (!request) return;
    Text line = kWebTemplate;
    for (char16_t& c : line) {
      if (c == u'%') c = ErrMarker;
    }
    ErrAppendLine(line);
    ErrFillPlaceholder(u"WebServer", request->ServerVariable(u"SERVER_NAME"));
    ErrFillPlaceholder(u"RequestMethod", request->ServerVariable(u"REQUEST_METHOD"));
    ErrFillPlaceholder(u"URL", request->ServerVariable(u"URL"));
    const Text query = request->QueryString();
    ErrFillPlaceholder(u"QS", query.empty() ? Text() : u"?" + query);
    ErrFillPlaceholder(u"FormData", request->FormText());
    ErrFillPlaceholder(u"Cookies", request->CookiesText());
    ErrFillPlaceholder(u"nl", kCrLf);
  });
  for (char16_t& c : Context().ReportText) {
    if (c == ErrMarker) c = u'%';
  }
}

void ErrAbortTransaction(std::int32_t flags, ErrDbObject* connection,
                         ErrLateBound* transControl) {
  Contained([&] {
    Text outcome;
    ErrContextObject* context = ErrObjectContext();
    if (transControl) {
      outcome = u"Attempt to call TransControlObject.SetAbort: " +
                ErrCallMethod(transControl, u"SetAbort");
    } else if (context && ErrHasFlag(flags, kFlagSetAbort | kFlagDisableCommit)) {
      outcome = ErrHasFlag(flags, kFlagSetAbort)
                    ? u"Attempt to call ObjectContext.SetAbort " + ErrCallMethod(context, u"SetAbort")
                    : u"Attempt to call ObjectContext.DisableCommit " +
                          ErrCallMethod(context, u"DisableCommit");
    } else if (connection && ErrHasFlag(flags, kFlagRollback)) {
      outcome = connection->State() == 0
                    ? Text(u"Could not call RollbackTrans: Connection is closed ")
                    : u"Attempt to call RollbackTrans " + ErrCallMethod(connection, u"RollbackTrans");
    }
    if (!outcome.empty()) ErrAppendLine(u"    Transaction: " + outcome);
  });
}

void ErrCloseConnection(ErrDbObject* connection) {
  if (!connection) return;
  Contained([&] {
    if (connection->State() == 0) return;
    ErrAppendLine(u"    Connection: Attempt to call Close " + ErrCallMethod(connection, u"Close"));
  });
}

Text ErrCallMethod(ErrLateBound* object, TextView name) {
  try {
    try {
      if (!IsCallable(name)) Raise(ERR_GENERAL, u"Unknown method");
      if (!object) RaiseRuntime(rt::ObjectNotSet);
      object->CallMethod(name);
      return u"succeeded";
    } catch (...) {
      return u"failed with error '" + ErrInfoOf(std::current_exception()).Description + u"'";
    }
  } catch (...) {
    return {};
  }
}

Text ErrAdoStateName(std::int32_t state) {
  if (state == 0) return u"adStateClosed";
  Text name;
  if (state & 1) name += u"adStateOpen";
  if (state & 2) name += u" + adStateConnecting";
  if (state & 4) name += u" + adStateExecuting";
  if (state & 8) name += u" + adStateFetching";
  return name;
}

}  // namespace tarnwick::mErrTrap
