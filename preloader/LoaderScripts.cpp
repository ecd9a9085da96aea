// The scripts of the loader clip and the scripts that start an external target.
//
// Offsets written as numbers below are the encoded sizes of the actions they skip: a Push
// is 3 bytes plus, per value, a type byte and 1 (pool index, boolean), 4 (integer),
// 8 (double) or the text and its zero; Jump and If are 5 bytes, GotoFrame 5, a one-code
// action 1. Those scripts are written with branch tracking off.
#include <cstdio>

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
  s.If(16)
      .Push({V::Ref(L"prcnt"), V::Int(1)})
      .Add<ActionSetVariable>()
      .Jump(40)
      .Push({V::Ref(L"prcnt")})
      .Add<ActionGetVariable>()
      .Push({V::Dbl(0)})
      .Add<ActionLess2>()
      .Add<ActionNot>()
      .If(15)
      .Push({V::Ref(L"prcnt"), V::Dbl(0)})
      .Add<ActionSetVariable>();
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

// The 32 bytes of the smart end condition: rldtime * bufa < ptime ends the loader.
void AddSmartTimeTest(LoaderScriptWriter& s) {
  s.Push({V::Ref(L"rldtime")})
      .Add<ActionGetVariable>()
      .Push({V::Ref(L"bufa")})
      .Add<ActionGetVariable>()
      .Add<ActionMultiply>()
      .Push({V::Ref(L"ptime")})
      .Add<ActionGetVariable>()
      .Add<ActionLess2>()
      .Add<ActionNot>()
      .If(6);
  AddGoToLoaderEnd(s);
}

// The pool that opens the script, or null.
ActionConstantPool* PoolOf(DoActionTag& actions) {
  if (actions.ActionCount() == 0 || actions.ActionAt(0)->Kind() != ActionKind::ConstantPool) return nullptr;
  return static_cast<ActionConstantPool*>(actions.ActionAt(0));
}

}  // namespace

bool PreloaderBuilder::IsExternalTarget() const {
  const int32_t type = project_->GetTargetType();
  return type == kTargetExternal7 || type == kTargetExternal;
}

void PreloaderBuilder::AddMeasuredTargetPool(ActionConstantPool& pool) const {
  pool.AddString(L"btl");
  pool.AddString(L"_parent");
  if (IsExternalTarget()) pool.AddString(L"ptgt");
  for (const wchar_t* text : {L"getBytesLoaded", L"btt", L"getBytesTotal", L"frl", L"_framesloaded", L"frt",
                              L"_totalframes"})
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
  // The start states of the load messages and imports belong to them; the loader holds
  // neither yet.
  return actions;
}

std::unique_ptr<DoActionTag> PreloaderBuilder::BuildLoadedCheckActions() const {
  auto actions = std::make_unique<DoActionTag>();
  actions->SetBranchTracking(false, true);
  auto pool = std::make_unique<ActionConstantPool>();
  AddMeasuredTargetPool(*pool);
  pool->AddString(L"prcnt");
  ActionConstantPool* poolPtr = pool.get();
  actions->AddAction(std::move(pool));
  LoaderScriptWriter s(*actions, poolPtr);

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
    AddSmallTargetCheck(*actions);
  }

  // While the total is 1024 bytes or less, back to frame 1.
  s.Push({V::Ref(L"btt")}).Add<ActionGetVariable>().Push({V::Int(1024)}).Add<ActionGreater>().Add<ActionNot>().If(74);
  AddFractionLoaded(s);
  // Complete already: straight to "loaderdone".
  s.Push({V::Ref(L"prcnt")})
      .Add<ActionGetVariable>()
      .Push({V::Int(1)})
      .Add<ActionLess2>()
      .Add<ActionNot>()
      .Add<ActionNot>()
      .If(31);
  s.Add<ActionStop>()
      .Add<ActionSetTarget>(L"_parent")
      .Add<ActionGoToLabel>(L"loaderdone")
      .Add<ActionPlay>()
      .Add<ActionSetTarget>(L"")
      .Jump(2);
  s.Add<ActionPreviousFrame>().Add<ActionPlay>();
  return actions;
}

// A target of 1024 bytes or less never passes the size test above, which exists to wait
// until the size is known. Such a target that has arrived completely goes to "loaderdone"
// here: all its bytes are loaded, and for an external target the clip "ptgt" holds it
// (its address is no longer the preloader's own). Everything after this block is skipped.
void PreloaderBuilder::AddSmallTargetCheck(DoActionTag& actions) const {
  LoaderScriptWriter s(actions, PoolOf(actions));
  actions.SetBranchTracking(true, true);
  int open = 0;
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
        .If();
    ++open;
  }
  s.Push({V::Int(0), V::Ref(L"btt")}).Add<ActionGetVariable>().Add<ActionLess2>().Add<ActionNot>().If();
  s.Push({V::Ref(L"btl")})
      .Add<ActionGetVariable>()
      .Push({V::Ref(L"btt")})
      .Add<ActionGetVariable>()
      .Add<ActionEquals2>()
      .Add<ActionNot>()
      .If();
  open += 2;
  s.Add<ActionStop>()
      .Add<ActionSetTarget>(L"_parent")
      .Add<ActionGoToLabel>(L"loaderdone")
      .Add<ActionPlay>()
      .Add<ActionSetTarget>(L"");
  // Over the rest of the script: the size test (21 bytes), its 74 bytes and the 2 of the
  // way back to frame 1.
  s.Jump(97);
  s.End();  // the jump keeps its offset
  for (int i = 0; i < open; ++i) s.End();
  actions.SetBranchTracking(false, true);
}

void PreloaderBuilder::AddSimpleProgressActions(DoActionTag& actions) {
  auto pool = std::make_unique<ActionConstantPool>();
  AddMeasuredTargetPool(*pool);
  pool->AddString(L"prcnt");
  if (anmDisplay_) pool->AddString(L"anm");
  constantPool_ = pool.get();
  actions.SetBranchTracking(false, true);
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
  if (anmDisplay_ && project_->GetPercent() > 99) {
    s.Add<ActionPushDuplicate>().Add<ActionNot>().If(18).Add<ActionPop>();
    s.Push({V::Dbl(0), V::Ref(L"anm")}).Add<ActionGetVariable>().Add<ActionLess2>().Add<ActionNot>();
  }
  s.Add<ActionNot>().If(6);
  AddGoToLoaderEnd(s);
}

void PreloaderBuilder::AddSmartProgressActions(DoActionTag& actions) {
  auto pool = std::make_unique<ActionConstantPool>();
  AddMeasuredTargetPool(*pool);
  for (const wchar_t* text : {L"frc", L"_currentframe", L"btr", L"ldtime", L"stm", L"spd", L"totime", L"tfps",
                              L"ptime", L"rldtime", L"s", L"waittime", L"bufa", L"prcnt"})
    pool->AddString(text);
  if (anmDisplay_) pool->AddString(L"anm");
  constantPool_ = pool.get();
  actions.SetBranchTracking(false, true);
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
  s.Push({V::Int(1024), V::Ref(L"btt")}).Add<ActionGetVariable>().Add<ActionLess2>().Add<ActionNot>().If(21);
  AddFractionLoaded(s);
  s.Jump(15).Push({V::Ref(L"prcnt"), V::Dbl(0)}).Add<ActionSetVariable>();

  s.Push({V::Int(1), V::Ref(L"prcnt")}).Add<ActionGetVariable>().Add<ActionLess2>().Add<ActionNot>();
  AddClampTail(s);

  // The end test: the target has frames ahead, the display is done, and what is loaded
  // plays longer than the rest takes to load.
  s.Push({V::Int(1), V::Ref(L"s")}).Add<ActionGetVariable>().Add<ActionLess2>();
  if (anmDisplay_) {
    s.Add<ActionPushDuplicate>().Add<ActionNot>().If(18).Add<ActionPop>();
    s.Push({V::Dbl(0), V::Ref(L"anm")}).Add<ActionGetVariable>().Add<ActionLess2>().Add<ActionNot>();
  }
  s.Add<ActionNot>().If(32);
  AddSmartTimeTest(s);

  // A target that has loaded completely ends the loader too (with a display that animates,
  // once it is done): otherwise a target that has no frame ahead of its current one (a
  // one-frame movie) would keep the loader forever.
  actions.SetBranchTracking(true, true);
  s.Push({V::Ref(L"prcnt")}).Add<ActionGetVariable>().Push({V::Int(1)}).Add<ActionLess2>().If();
  int open = 1;
  if (anmDisplay_) {
    s.Push({V::Dbl(0), V::Ref(L"anm")}).Add<ActionGetVariable>().Add<ActionLess2>().If();
    ++open;
  }
  AddGoToLoaderEnd(s);
  for (int i = 0; i < open; ++i) s.End();
  actions.SetBranchTracking(false, true);

  AddProgressTextActions(actions);
}

// Each progress message shows its text through the script's placeholders; the loader holds
// no progress messages yet, so there is nothing to update.
void PreloaderBuilder::AddProgressTextActions(DoActionTag&) {}

// The load message parts start and end each message's sprite; the loader holds no load
// messages yet, so only the names that every message part uses join the pool.
void PreloaderBuilder::AddLoadMessageActions(DoActionTag&) {
  if (!constantPool_) return;
  for (const wchar_t* text : {L"stm", L"play", L"unloadMovie"}) constantPool_->AddString(text);
}

void PreloaderBuilder::AddEmbeddedImportActions(DoActionTag&) {
  if (!constantPool_) return;
  for (const wchar_t* text : {L"stm", L"_visible"}) constantPool_->AddString(text);
}

// The import parts show, hide, load and unload the imports; the loader holds no imports
// yet, so only the names that every import part uses join the pool.
void PreloaderBuilder::AddImportActions(DoActionTag& actions) {
  AddEmbeddedImportActions(actions);
  if (!constantPool_) return;
  for (const wchar_t* text : {L"stm", L"loadMovie", L"unloadMovie"}) constantPool_->AddString(text);
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
  if (!PathExists(url)) return url;
  if (project_->GetUseRelativeSwfPath()) return NormalizePathSeparators(RelativizePath(url, finalOutputPath_));
  return GetFileName(url);
}

void PreloaderBuilder::AddLoadMovieActions(DoActionTag& actions) const {
  const bool tracking = actions.IsBranchTracking();
  actions.SetBranchTracking(false, true);
  LoaderScriptWriter s(actions, nullptr);
  s.Push({V::Inline(GetTargetUrl()), V::Inline(L"ptgt")}).Add<ActionGetUrl2>(0x40);
  if (project_->GetLockRoot()) {
    s.Push({V::Inline(L"ptgt")}).Add<ActionGetVariable>();
    s.Push({V::Inline(L"_lockroot"), V::Bool(true)}).Add<ActionSetMember>();
  }
  actions.SetBranchTracking(tracking, true);
}

void PreloaderBuilder::AddMovieClipLoaderActions(DoActionTag& actions) const {
  const bool tracking = actions.IsBranchTracking();
  actions.SetBranchTracking(false, true);
  // The pool's order is fixed: the target's address is always index 6, even when it
  // equals one of the other names.
  auto pool = std::make_unique<ActionConstantPool>();
  const WideString url = GetTargetUrl();
  pool->strings = {L"mcLoader", L"MovieClipLoader", L"loadListener", L"Object", L"addListener",
                   L"ptgt",     url,                L"loadClip",     L"onLoadStart", L"stop"};
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
  auto function = std::make_unique<ActionDefineFunction>();
  function->codeSize = 22;
  actions.AddAction(std::move(function));
  s.Push({V::Dbl(0), V::Index(5)}).Add<ActionGetVariable>().Push({V::Index(9)}).Add<ActionCallMethod>().Add<ActionPop>();
  s.Add<ActionSetMember>();
  if (project_->GetLockRoot()) {
    s.Push({V::Index(5)}).Add<ActionGetVariable>();
    s.Push({V::Inline(L"_lockroot"), V::Bool(true)}).Add<ActionSetMember>();
  }
  actions.SetBranchTracking(tracking, true);
}
