#include <string>
#include <utility>

#include "common/errors.h"
#include "database/connection.h"
#include "database/connection_impl.h"
#include "database/provider_error.h"

namespace quorax::db {

Command::Command() = default;

Command::~Command() = default;

void Command::SetActiveConnection(Connection* connection) { connection_ = connection; }

void Command::SetCommandText(const std::string& text) { text_ = text; }

void Command::SetCommandType(int type) { type_ = type; }

std::shared_ptr<Parameter> Command::CreateParameter(const std::string& name, int type,
                                                    int direction, int32_t size, Value value) {
  return std::make_shared<Parameter>(Parameter{name, type, direction, size, std::move(value)});
}

void Command::AppendParameter(std::shared_ptr<Parameter> parameter) {
  if (parameter == nullptr) throw InvalidArgument("a command parameter cannot be empty");
  parameters_.push_back(std::move(parameter));
}

int32_t Command::ParameterCount() const { return static_cast<int32_t>(parameters_.size()); }

std::shared_ptr<Parameter> Command::GetParameter(int32_t index) const {
  if (index < 0 || index >= ParameterCount()) {
    throw SubscriptOutOfRange("the command has no parameter " + std::to_string(index));
  }
  return parameters_[static_cast<size_t>(index)];
}

void Command::DeleteParameter(int32_t index) {
  GetParameter(index);
  parameters_.erase(parameters_.begin() + index);
}

void Command::ClearParameters() noexcept { parameters_.clear(); }

Connection::Impl& Command::Ready() {
  if (connection_ == nullptr) {
    RaiseProviderError(MakeProviderError("08003", "the command has no connection"));
  }
  if (connection_->State() != 1) {
    // Listed as well as raised: a caller that judges the call by the error
    // list alone must not take a call that never ran for a success.
    connection_->impl_->Fail(MakeProviderError("08003", "the connection is not open"));
  }
  if (type_ != kStoredProcedure) {
    throw InvalidArgument("only stored-procedure commands can be executed");
  }
  if (text_.empty()) throw InvalidArgument("the command names no stored procedure");
  return *connection_->impl_;
}

void Command::Execute() { Ready().Call(text_, parameters_); }

size_t Command::ExecuteEach(const std::vector<ParameterList>& calls) {
  Connection::Impl& impl = Ready();
  if (calls.empty()) return 0;
  return impl.CallEach(impl.Prepared(text_, calls.front()), calls);
}

TransactionOutcome Command::ExecuteInTransaction(const std::vector<ParameterList>& calls) {
  Connection::Impl& impl = Ready();
  if (calls.empty()) return {};
  return impl.CallInTransaction(impl.Prepared(text_, calls.front()), calls);
}

}  // namespace quorax::db
