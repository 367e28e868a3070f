// The objects that the optional report blocks talk to: database objects and
// their connection, a transaction control object, and the surrounding
// transaction and web request context. The program itself never passes one;
// the blocks work over these interfaces so that any such object can be
// described. Members are looked up at run time in the original design, so
// every member has a default that fails like a missing member (error 438).
#pragma once

#include <cstdint>
#include <vector>

#include "common/Text.h"

namespace tarnwick::mErrTrap {

// An object whose parameterless methods are called by name.
class ErrLateBound {
 public:
  virtual ~ErrLateBound() = default;
  // Calls the named method; throws when it fails or does not exist.
  virtual void CallMethod(TextView name);
};

// A database access object: a connection, a command, a recordset, ...
class ErrDbObject : public ErrLateBound {
 public:
  // The object's type name ("Connection", "Command", "Recordset", ...).
  virtual Text TypeName() = 0;
  // Commands and recordsets: the connection they run on (may be none).
  virtual ErrDbObject* ActiveConnection();
  // Other objects: their connection (may be none).
  virtual ErrDbObject* Connection();
  // Connections: their connection string, state bits and pending errors.
  virtual Text ConnectionString();
  virtual std::int32_t State();
  virtual std::vector<Text> ErrorDescriptions();
};

// A transaction control object handed in by the caller (SetAbort).
class ErrTransControl : public ErrLateBound {};

// The request of a web context.
class ErrWebRequest {
 public:
  virtual ~ErrWebRequest() = default;
  virtual Text ServerVariable(TextView name) = 0;
  virtual Text QueryString() = 0;
  virtual Text FormText() = 0;
  virtual Text CookiesText() = 0;
};

// The surrounding transaction and web context (SetAbort, DisableCommit).
class ErrContextObject : public ErrLateBound {
 public:
  // Its "Request" item, none when it has no such item.
  virtual ErrWebRequest* Request() { return nullptr; }
};

// The surrounding context: none unless one was installed (tests do).
ErrContextObject* ErrObjectContext();
void SetObjectContext(ErrContextObject* context);  // not owned

}  // namespace tarnwick::mErrTrap
