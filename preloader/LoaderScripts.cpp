// The scripts of the loader clip and the scripts that start an external target.
//
// Branches are written with their targets, not their offsets: a Jump or If stays open, with
// the action list's branch tracking on, until the script lands it, and the list counts the
// bytes in between (see DoActionTag). A function's body size is counted the same way.
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/Paths.h"
#include "preloader/LoaderScriptWriter.h"
#include "preloader/PreloaderBuilder.h"
#include "preloader/PreloaderData.h"
#include "swf/OperandActions.h"
#include "swf/SimpleActions.h"

namespace {

using V = ScriptValue;

// The loader ends: its frame 5 (0-based 4) plays the main timeline on.
void AddGoToLoaderEnd(LoaderScriptWriter& s) { s.Add<ActionGotoFrame>(4).Add<ActionPlay>(); }

// The clamp of `prcnt` into 0..1, after the test whether it is below 1 (on the stack).
void AddClampTail(LoaderScriptWriter& s) {
  LoaderScriptWriter::Branch below = nullptr, clamped = nullptr, notNegative = nullptr;
  s.If(below)
      .Push({V::Ref(L"prcnt"), V::Int(1)})
      .Add<ActionSetVariable>()
      .Jump(clamped)
      .Land(below)
      .Push({V::Ref(L"prcnt")})
      .Add<ActionGetVariable>()
      .Push({V::Dbl(0)})
      .Add<ActionLess2>()
      .Add<ActionNot>()
      .If(notNegative)
      .Push({V::Ref(L"prcnt"), V::Dbl(0)})
      .Add<ActionSetVariable>()
      .Land(notNegative)
      .Land(clamped);
}

// prcnt = btl / btt
void AddFractionLoaded(LoaderScriptWriter& s) {
  s.Push({V::Ref(L"prcnt"), V::Ref(L"btl")})
      .Add<ActionGetVariable>()
      .Push({V::Ref(L"btt")})
      .Add<ActionGetVariable>()
      .Add<ActionDivide>()
      .Add<ActionSetVariable>();
}

// The smart end condition: rldtime * bufa < ptime ends the loader.
void AddSmartTimeTest(LoaderScriptWriter& s) {
  LoaderScriptWriter::Branch stay = nullptr;
  s.Push({V::Ref(L"rldtime")})
      .Add<ActionGetVariable>()
      .Push({V::Ref(L"bufa")})
      .Add<ActionGetVariable>()
      .Add<ActionMultiply>()
      .Push({V::Ref(L"ptime")})
      .Add<ActionGetVariable>()
      .Add<ActionLess2>()
      .Add<ActionNot>()
      .If(stay);
  AddGoToLoaderEnd(s);
  s.Land(stay);
}

// After a test (on the stack) that ends the loader when true: a true test also waits for an
// animating display to be done (`anm` not above 0). A false test stays as it is.
void AddDisplayDoneTest(LoaderScriptWriter& s) {
  LoaderScriptWriter::Branch ending = nullptr;
  s.Add<ActionPushDuplicate>().Add<ActionNot>().If(ending).Add<ActionPop>();
  s.Push({V::Dbl(0), V::Ref(L"anm")}).Add<ActionGetVariable>().Add<ActionLess2>().Add<ActionNot>().Land(ending);
}

// The pool that opens the script, or null.
ActionConstantPool* PoolOf(DoActionTag& actions) {
  if (actions.ActionCount() == 0 || actions.ActionAt(0)->Kind() != ActionKind::ConstantPool) return nullptr;
  return static_cast<ActionConstantPool*>(actions.ActionAt(0));
}

// Characters outside ASCII as the percent-escaped bytes of their UTF-8 form, as addresses
// carry them (a movie's own text encoding need not be UTF-8).
WideString PercentEncodeNonAscii(const WideString& text) {
  const std::string bytes = WideToUtf8(text);
  WideString out;
  static const char kHex[] = "0123456789ABCDEF";
  for (const unsigned char c : bytes) {
    if (c < 0x80) {
      out.push_back(static_cast<wchar_t>(c));
    } else {
      out.push_back(L'%');
      out.push_back(static_cast<wchar_t>(kHex[c >> 4]));
      out.push_back(static_cast<wchar_t>(kHex[c & 0x0F]));
    }
  }
  return out;
}

}  // namespace

WideString PreloaderBuilder::FromWorkingFolder(const WideString& path) {
  if (path.empty() || !IsRelativePath(path)) return path;
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::current_path(error);
  if (error) return path;
  WideString absolute = Utf8ToWide(folder.string());
  EnsureTrailingSlash(absolute);
  return absolute + path;
}

bool PreloaderBuilder::IsExternalTarget() const {
  const int32_t type = project_->GetTargetType();
  return type == kTargetExternal7 || type == kTargetExternal;
}

void PreloaderBuilder::AddMeasuredTargetPool(ActionConstantPool& pool) const {
  pool.AddString(L"btl");
  pool.AddString(L"_parent");
  if (IsExternalTarget()) pool.AddString(L"ptgt");
  for (const wchar_t* text :
       {L"getBytesLoaded", L"btt", L"getBytesTotal", L"frl", L"_framesloaded", L"frt", L"_totalframes"})
    pool.AddString(text);
}

// variable = T.name() (method) or T.name (property), T being _parent.ptgt for an external
// target and _parent for a merged one.
void PreloaderBuilder::AddTargetRead(DoActionTag& actions, const wchar_t* variable, const wchar_t* name,
                                     bool method) const {
  LoaderScriptWriter s(actions, PoolOf(actions));
  if (method)
    s.Push({V::Ref(variable), V::Dbl(0), V::Ref(L"_parent")});
  else
    s.Push({V::Ref(variable), V::Ref(L"_parent")});
  s.Add<ActionGetVariable>();
  if (IsExternalTarget()) s.Push({V::Ref(L"ptgt")}).Add<ActionGetMember>();
  s.Push({V::Ref(name)});
  if (method)
    s.Add<ActionCallMethod>();
  else
    s.Add<ActionGetMember>();
  s.Add<ActionSetVariable>();
}

std::unique_ptr<DoActionTag> PreloaderBuilder::BuildInitActions() const {
  auto actions = std::make_unique<DoActionTag>();
  actions->SetBranchTracking(false, true);
  LoaderScriptWriter s(*actions, nullptr);
  s.Add<ActionSetTarget>(L"_parent").Add<ActionStop>().Add<ActionSetTarget>(L"");
  s.Push({V::Inline(L"stm")}).Add<ActionGetTime>().Add<ActionSetVariable>();
  s.Push({V::Inline(L"prcnt"), V::Dbl(0)}).Add<ActionSetVariable>();
  if (project_->GetPreloadMode() == kPreloadSmart) {
    s.Push({V::Inline(L"tfps"), V::Dbl(static_cast<double>(project_->GetTargetFps()))}).Add<ActionSetVariable>();
    s.Push({V::Inline(L"bufa"), V::Dbl(project_->GetBufferFactor())}).Add<ActionSetVariable>();
  }
  // Every load message waits (0) until its start.
  for (int i = 0; i < project_->GetLoadMessageCount(); ++i)
    s.Push({V::Inline(L"bmsg" + WideString(std::to_wstring(i))), V::Int(0)}).Add<ActionSetVariable>();
  AddInitImportActions(*actions);
  return actions;
}

std::unique_ptr<DoActionTag> PreloaderBuilder::BuildLoadedCheckActions() const {
  auto actions = std::make_unique<DoActionTag>();
  actions->SetBranchTracking(true, true);
  auto pool = std::make_unique<ActionConstantPool>();
  AddMeasuredTargetPool(*pool);
  pool->AddString(L"prcnt");
  ActionConstantPool* poolPtr = pool.get();
  actions->AddAction(std::move(pool));
  LoaderScriptWriter s(*actions, poolPtr);
  LoaderScriptWriter::Branch pastScript = nullptr, small = nullptr, notComplete = nullptr, done = nullptr;

  if (project_->IsPreview()) {
    s.Push({V::Ref(L"btl"), V::Int(0)}).Add<ActionSetVariable>();
    s.Push({V::Ref(L"btt"), V::Int(10000)}).Add<ActionSetVariable>();
    s.Push({V::Ref(L"frl"), V::Dbl(0)}).Add<ActionSetVariable>();
    s.Push({V::Ref(L"frt"), V::Int(100)}).Add<ActionSetVariable>();
  } else {
    AddTargetRead(*actions, L"btl", L"getBytesLoaded", true);
    AddTargetRead(*actions, L"btt", L"getBytesTotal", true);
    AddTargetRead(*actions, L"frl", L"_framesloaded", false);
    AddTargetRead(*actions, L"frt", L"_totalframes", false);
    pastScript = AddSmallTargetCheck(*actions);
  }

  // While the total is 1024 bytes or less, back to frame 1. Greater came with version 6;
  // before it the same test is 1024 < btt, in as many bytes.
  if (GetMovieVersion() >= 6)
    s.Push({V::Ref(L"btt")}).Add<ActionGetVariable>().Push({V::Int(1024)}).Add<ActionGreater>();
  else
    s.Push({V::Int(1024)}).Push({V::Ref(L"btt")}).Add<ActionGetVariable>().Add<ActionLess2>();
  s.Add<ActionNot>().If(small);
  AddFractionLoaded(s);
  // Complete already: straight to "loaderdone".
  s.Push({V::Ref(L"prcnt")})
      .Add<ActionGetVariable>()
      .Push({V::Int(1)})
      .Add<ActionLess2>()
      .Add<ActionNot>()
      .Add<ActionNot>()
      .If(notComplete);
  s.Add<ActionStop>()
      .Add<ActionSetTarget>(L"_parent")
      .Add<ActionGoToLabel>(L"loaderdone")
      .Add<ActionPlay>()
      .Add<ActionSetTarget>(L"")
      .Land(notComplete)
      .Jump(done);
  s.Land(small).Add<ActionPreviousFrame>().Add<ActionPlay>();
  s.Land(done).Land(pastScript);
  actions->SetBranchTracking(false, true);
  return actions;
}

// A target of 1024 bytes or less never passes the size test above, which exists to wait
// until the size is known. Such a target that has arrived completely goes to "loaderdone"
// here: all its bytes are loaded, and for an external target the clip "ptgt" holds it
// (its address is no longer the preloader's own). Everything after this block is skipped:
// the Jump returned stays open for the caller to land at the script's end. The list's branch
// tracking must be on.
LoaderScriptWriter::Branch PreloaderBuilder::AddSmallTargetCheck(DoActionTag& actions) const {
  LoaderScriptWriter s(actions, PoolOf(actions));
  LoaderScriptWriter::Branch otherUrl = nullptr, sizeUnknown = nullptr, notAllLoaded = nullptr;
  if (IsExternalTarget()) {
    s.Push({V::Ref(L"_parent")})
        .Add<ActionGetVariable>()
        .Push({V::Ref(L"ptgt")})
        .Add<ActionGetMember>()
        .Push({V::Inline(L"_url")})
        .Add<ActionGetMember>()
        .Push({V::Ref(L"_parent")})
        .Add<ActionGetVariable>()
        .Push({V::Inline(L"_url")})
        .Add<ActionGetMember>()
        .Add<ActionEquals2>()
        .If(otherUrl);
  }
  s.Push({V::Int(0), V::Ref(L"btt")}).Add<ActionGetVariable>().Add<ActionLess2>().Add<ActionNot>().If(sizeUnknown);
  s.Push({V::Ref(L"btl")})
      .Add<ActionGetVariable>()
      .Push({V::Ref(L"btt")})
      .Add<ActionGetVariable>()
      .Add<ActionEquals2>()
      .Add<ActionNot>()
      .If(notAllLoaded);
  s.Add<ActionStop>()
      .Add<ActionSetTarget>(L"_parent")
      .Add<ActionGoToLabel>(L"loaderdone")
      .Add<ActionPlay>()
      .Add<ActionSetTarget>(L"");
  // Over the rest of the script.
  LoaderScriptWriter::Branch pastScript = nullptr;
  s.Jump(pastScript);
  s.Land(notAllLoaded).Land(sizeUnknown).Land(otherUrl);
  return pastScript;
}

void PreloaderBuilder::AddSimpleProgressActions(DoActionTag& actions) {
  auto pool = std::make_unique<ActionConstantPool>();
  AddMeasuredTargetPool(*pool);
  pool->AddString(L"prcnt");
  if (anmDisplay_) pool->AddString(L"anm");
  constantPool_ = pool.get();
  actions.SetBranchTracking(true, true);
  actions.AddAction(std::move(pool));
  LoaderScriptWriter s(actions, constantPool_);

  const bool preview = project_->IsPreview();
  if (preview) {
    s.Push({V::Ref(L"btl"), V::Ref(L"btl")}).Add<ActionGetVariable>().Push({V::Int(100)}).Add<ActionAdd2>();
    s.Add<ActionSetVariable>();
    s.Push({V::Ref(L"btt"), V::Int(10000)}).Add<ActionSetVariable>();
    s.Push({V::Ref(L"frl"), V::Ref(L"frl")}).Add<ActionGetVariable>().Push({V::Dbl(1)}).Add<ActionAdd2>();
    s.Add<ActionSetVariable>();
    s.Push({V::Ref(L"frt"), V::Int(100)}).Add<ActionSetVariable>();
    s.Push({V::Ref(L"prcnt"), V::Ref(L"prcnt")}).Add<ActionGetVariable>().Push({V::Dbl(0.01)}).Add<ActionAdd2>();
    s.Add<ActionSetVariable>();
  } else {
    AddTargetRead(actions, L"btl", L"getBytesLoaded", true);
    AddTargetRead(actions, L"btt", L"getBytesTotal", true);
    AddTargetRead(actions, L"frl", L"_framesloaded", false);
    AddTargetRead(actions, L"frt", L"_totalframes", false);
    AddFractionLoaded(s);
  }

  s.Push({V::Ref(L"prcnt")}).Add<ActionGetVariable>().Push({V::Int(1)}).Add<ActionLess2>();
  s.Add<ActionNot>().Add<ActionNot>();
  AddClampTail(s);

  AddProgressTextActions(actions);

  const double end = project_->GetPercent() / 100.0;
  s.Push({V::Ref(L"prcnt")}).Add<ActionGetVariable>().Push({V::Dbl(end)}).Add<ActionLess2>().Add<ActionNot>();
  if (anmDisplay_ && project_->GetPercent() > 99) AddDisplayDoneTest(s);
  LoaderScriptWriter::Branch stay = nullptr;
  s.Add<ActionNot>().If(stay);
  AddGoToLoaderEnd(s);
  s.Land(stay);
}

void PreloaderBuilder::AddSmartProgressActions(DoActionTag& actions) {
  auto pool = std::make_unique<ActionConstantPool>();
  AddMeasuredTargetPool(*pool);
  for (const wchar_t* text : {L"frc", L"_currentframe", L"btr", L"ldtime", L"stm", L"spd", L"totime", L"tfps", L"ptime",
                              L"rldtime", L"s", L"waittime", L"bufa", L"prcnt"})
    pool->AddString(text);
  if (anmDisplay_) pool->AddString(L"anm");
  constantPool_ = pool.get();
  actions.SetBranchTracking(true, true);
  actions.AddAction(std::move(pool));
  LoaderScriptWriter s(actions, constantPool_);

  AddTargetRead(actions, L"btl", L"getBytesLoaded", true);
  AddTargetRead(actions, L"btt", L"getBytesTotal", true);
  AddTargetRead(actions, L"frl", L"_framesloaded", false);
  AddTargetRead(actions, L"frt", L"_totalframes", false);
  AddTargetRead(actions, L"frc", L"_currentframe", false);

  // btr = btt - btl
  s.Push({V::Ref(L"btr"), V::Ref(L"btt")}).Add<ActionGetVariable>().Push({V::Ref(L"btl")}).Add<ActionGetVariable>();
  s.Add<ActionSubtract>().Add<ActionSetVariable>();
  // ldtime = getTimer() - stm
  s.Push({V::Ref(L"ldtime")}).Add<ActionGetTime>().Push({V::Ref(L"stm")}).Add<ActionGetVariable>();
  s.Add<ActionSubtract>().Add<ActionSetVariable>();
  // spd = btl / ldtime
  s.Push({V::Ref(L"spd"), V::Ref(L"btl")}).Add<ActionGetVariable>().Push({V::Ref(L"ldtime")}).Add<ActionGetVariable>();
  s.Add<ActionDivide>().Add<ActionSetVariable>();
  // totime = frt / tfps
  s.Push({V::Ref(L"totime"), V::Ref(L"frt")}).Add<ActionGetVariable>().Push({V::Ref(L"tfps")}).Add<ActionGetVariable>();
  s.Add<ActionDivide>().Add<ActionSetVariable>();
  // ptime = frl / tfps
  s.Push({V::Ref(L"ptime"), V::Ref(L"frl")}).Add<ActionGetVariable>().Push({V::Ref(L"tfps")}).Add<ActionGetVariable>();
  s.Add<ActionDivide>().Add<ActionSetVariable>();
  // rldtime = btr / 1024 / spd
  s.Push({V::Ref(L"rldtime"), V::Ref(L"btr")}).Add<ActionGetVariable>().Push({V::Int(1024)}).Add<ActionDivide>();
  s.Push({V::Ref(L"spd")}).Add<ActionGetVariable>().Add<ActionDivide>().Add<ActionSetVariable>();
  // s = frt / frc
  s.Push({V::Ref(L"s"), V::Ref(L"frt")}).Add<ActionGetVariable>().Push({V::Ref(L"frc")}).Add<ActionGetVariable>();
  s.Add<ActionDivide>().Add<ActionSetVariable>();
  // waittime = rldtime * bufa - ptime
  s.Push({V::Ref(L"waittime"), V::Ref(L"rldtime")}).Add<ActionGetVariable>().Push({V::Ref(L"bufa")});
  s.Add<ActionGetVariable>().Add<ActionMultiply>().Push({V::Ref(L"ptime")}).Add<ActionGetVariable>();
  s.Add<ActionSubtract>().Add<ActionSetVariable>();

  // prcnt = btl / btt once the total is above 1024 bytes, else 0.
  LoaderScriptWriter::Branch sizeUnknown = nullptr, measured = nullptr;
  s.Push({V::Int(1024), V::Ref(L"btt")}).Add<ActionGetVariable>().Add<ActionLess2>().Add<ActionNot>().If(sizeUnknown);
  AddFractionLoaded(s);
  s.Jump(measured).Land(sizeUnknown).Push({V::Ref(L"prcnt"), V::Dbl(0)}).Add<ActionSetVariable>().Land(measured);

  s.Push({V::Int(1), V::Ref(L"prcnt")}).Add<ActionGetVariable>().Add<ActionLess2>().Add<ActionNot>();
  AddClampTail(s);

  // The end test: the target has frames ahead, the display is done, and what is loaded
  // plays longer than the rest takes to load.
  s.Push({V::Int(1), V::Ref(L"s")}).Add<ActionGetVariable>().Add<ActionLess2>();
  if (anmDisplay_) AddDisplayDoneTest(s);
  LoaderScriptWriter::Branch notEnding = nullptr;
  s.Add<ActionNot>().If(notEnding);
  AddSmartTimeTest(s);
  s.Land(notEnding);

  // A target that has loaded completely ends the loader too (with a display that animates,
  // once it is done): otherwise a target that has no frame ahead of its current one (a
  // one-frame movie) would keep the loader forever.
  s.Push({V::Ref(L"prcnt")}).Add<ActionGetVariable>().Push({V::Int(1)}).Add<ActionLess2>().If();
  int open = 1;
  if (anmDisplay_) {
    s.Push({V::Dbl(0), V::Ref(L"anm")}).Add<ActionGetVariable>().Add<ActionLess2>().If();
    ++open;
  }
  AddGoToLoaderEnd(s);
  for (int i = 0; i < open; ++i) s.End();

  AddProgressTextActions(actions);
}

std::unique_ptr<DoActionTag> PreloaderBuilder::BuildProgressActions() {
  auto actions = std::make_unique<DoActionTag>();
  if (project_->IsPreview() || project_->GetPreloadMode() == kPreloadSimple)
    AddSimpleProgressActions(*actions);
  else
    AddSmartProgressActions(*actions);
  AddLoadMessageActions(*actions);
  AddImportActions(*actions);
  actions->SetBranchTracking(false, true);
  return actions;
}

WideString PreloaderBuilder::GetTargetUrl() const {
  const WideString& url = project_->GetTargetUrl();
  // The target and the output are found from one folder, the working folder, as the build
  // opens them.
  const WideString file = FromWorkingFolder(url);
  // Not a file here: an address for the player (a web address, usually).
  if (!PathExists(file)) return PercentEncodeNonAscii(url);
  if (project_->GetUseRelativeSwfPath())
    return NormalizePathSeparators(RelativizePath(file, FromWorkingFolder(finalOutputPath_)));
  return GetFileName(url);
}

bool PreloaderBuilder::AddLoadMovieActions(DoActionTag& actions) const {
  const WideString url = GetTargetUrl();
  // The address and the clip's name travel in one Push, whose length is a 16-bit field.
  ActionPush probe;
  if (probe.AddString(url) == 0 || probe.AddString(L"ptgt") == 0) return false;
  const bool tracking = actions.IsBranchTracking();
  actions.SetBranchTracking(false, true);
  LoaderScriptWriter s(actions, nullptr);
  s.Push({V::Inline(url), V::Inline(L"ptgt")}).Add<ActionGetUrl2>(0x40);
  if (project_->GetLockRoot()) {
    s.Push({V::Inline(L"ptgt")}).Add<ActionGetVariable>();
    s.Push({V::Inline(L"_lockroot"), V::Bool(true)}).Add<ActionSetMember>();
  }
  actions.SetBranchTracking(tracking, true);
  return true;
}

bool PreloaderBuilder::AddMovieClipLoaderActions(DoActionTag& actions) const {
  // The pool's order is fixed: the target's address is always index 6, even when it
  // equals one of the other names.
  auto pool = std::make_unique<ActionConstantPool>();
  const WideString url = GetTargetUrl();
  pool->strings = {L"mcLoader", L"MovieClipLoader", L"loadListener", L"Object", L"addListener", L"ptgt",
                   url,         L"loadClip",        L"onLoadStart",  L"stop"};
  // Its length (the header's 3 bytes not counted) is a 16-bit field.
  if (pool->Size() - 3 > 0xFFFF) return false;
  const bool tracking = actions.IsBranchTracking();
  actions.SetBranchTracking(false, true);
  actions.AddAction(std::move(pool));
  LoaderScriptWriter s(actions, nullptr);
  // mcLoader = new MovieClipLoader();
  s.Push({V::Index(0), V::Dbl(0), V::Index(1)}).Add<ActionNewObject>().Add<ActionSetVariable>();
  // loadListener = new Object();
  s.Push({V::Index(2), V::Dbl(0), V::Index(3)}).Add<ActionNewObject>().Add<ActionSetVariable>();
  // mcLoader.addListener(loadListener);
  s.Push({V::Index(2)}).Add<ActionGetVariable>().Push({V::Int(1), V::Index(0)}).Add<ActionGetVariable>();
  s.Push({V::Index(4)}).Add<ActionCallMethod>().Add<ActionPop>();
  // mcLoader.loadClip(url, ptgt);
  s.Push({V::Index(5)}).Add<ActionGetVariable>().Push({V::Index(6), V::Int(2), V::Index(0)}).Add<ActionGetVariable>();
  s.Push({V::Index(7)}).Add<ActionCallMethod>().Add<ActionPop>();
  // loadListener.onLoadStart = function () { ptgt.stop(); };
  s.Push({V::Index(2)}).Add<ActionGetVariable>().Push({V::Index(8)});
  ActionDefineFunction* function = nullptr;
  s.Function(function);
  s.Push({V::Dbl(0), V::Index(5)})
      .Add<ActionGetVariable>()
      .Push({V::Index(9)})
      .Add<ActionCallMethod>()
      .Add<ActionPop>();
  s.EndFunction(function).Add<ActionSetMember>();
  if (project_->GetLockRoot()) {
    s.Push({V::Index(5)}).Add<ActionGetVariable>();
    s.Push({V::Inline(L"_lockroot"), V::Bool(true)}).Add<ActionSetMember>();
  }
  actions.SetBranchTracking(tracking, true);
  return true;
}
