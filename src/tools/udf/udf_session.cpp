#include "tools/udf/udf_session.h"

#include "app/c_format.h"
#include "app/prescan_hooks.h"
#include "app/settings_file.h"
#include "app/shell_state.h"
#include "expr/evaluation_stop.h"
#include "expr/expression.h"
#include "tools/udf/udf_files.h"
#include "tools/udf/udf_limits.h"
#include "tools/udf/udf_validation.h"

int WriteUdfSessionFile(const TUdfTable& table, const std::filesystem::path& dir) {
  return WriteUdfLibrary(table, dir / kUdfSessionFileName);
}

int ReadUdfSessionFile(TUdfTable& table, const std::filesystem::path& dir, int* dropped) {
  return ReadUdfLibrary(table, dir / kUdfSessionFileName, dropped);
}

TUdfInstallResult InstallLastSessionUdfs(const std::filesystem::path& dir) {
  TUdfInstallResult result;
  result.read = ReadUdfSessionFile(BoundUdfTable(), dir);
  if (result.read < 1) return result;
  ParseAllUdfParams();
  ExprContext& ctx = ExprThreadContext();
  int defined = 0;
  for (int k = 0; k < kUdfCount; ++k) defined += UdfRecordAt(k) ? 1 : 0;
  TTaskStepsScope steps(ctx, defined);
  int done = 0;
  for (int k = 0; k < kUdfCount; ++k) {
    if (!UdfRecordAt(k)) continue;
    const TCurrentUdfScope udf(ctx, k);
    TLinesFault fault;
    const bool loaded = UdfLoad(k, fault) == 1;
    if (ctx.stopped) {
      // A load stopped halfway leaves nothing of its program to run.
      UdfUnload(k);
      result.cancelled = true;
      result.notLoaded = defined - done;
      return result;
    }
    if (loaded) {
      ++result.loaded;
    } else {
      // The user is told which function did not load and why, not only how many did.
      const TUdfVerdict why = UdfLoadRefusal(k, fault, ctx.ExprMathError);
      const std::string_view name = UdfFieldText(UdfRecordAt(k)->Name);
      std::string text = CFormat("User Defined Function %d", k + 1);
      if (!name.empty()) text += CFormat(" (%s)", std::string(name).c_str());
      text += ": " + why.message;
      if (!why.detail.empty()) text += "\n" + why.detail;
      result.failures.push_back({k, text});
    }
    steps.Done(++done);
  }
  return result;
}

void RegisterUdfHooks(TUdfSession& functions, const TDataSession& data) {
  TUdfTable& table = functions.UdfTable;
  PrescanHooks().ParseAllUdfParams = [&table, &data](TDataSession& prescanned) {
    if (&prescanned == &data) ParseAllUdfParams(table);
  };
  // At exit the shell tells the user when the file could not be written.
  SetUdfSessionWriter([&table](const std::filesystem::path& dir) {
    return WriteUdfSessionFile(table, dir) != kUdfFileNotWritten;
  });
  // The records are freed after the session file was written from them.
  AddShutdownStep("user-function session file", [&table] {
    for (auto& record : table) record.reset();
  });
}
