#include "host/web/RuffleView.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>
#include <QWebEngineView>

namespace host::web {

namespace {

constexpr char kScheme[] = "plenwick";
constexpr char kHost[] = "player";
// Console messages of the page that carry a report start with this mark.
constexpr char kMark[] = "\x01plenwick:";

// The page. Qt 6.4 lets a page fetch() only from network schemes, while XMLHttpRequest works
// with ours; Ruffle fetches its code and the movie, so fetch() is answered through XHR for
// addresses of our scheme.
const char kPage[] = R"html(<!doctype html>
<html><head><meta charset="utf-8"><title>player</title>
<style>html,body{margin:0;height:100%;overflow:hidden;background:#000}
#box{width:100%;height:100%}#box>*{width:100%;height:100%;display:block}/*box*/</style>
<script>
(function () {
  const nativeFetch = window.fetch.bind(window);
  window.fetch = function (input, init) {
    const address = new URL(typeof input === 'string' ? input : (input && input.url) || String(input),
                            document.baseURI).href;
    if (!address.startsWith('plenwick:')) return nativeFetch(input, init);
    return new Promise(function (resolve, reject) {
      const x = new XMLHttpRequest();
      x.open('GET', address);
      x.responseType = 'arraybuffer';
      x.onload = function () {
        const r = new Response(x.response, {status: x.status || 200,
            headers: {'Content-Type': x.getResponseHeader('Content-Type') || 'application/octet-stream'}});
        Object.defineProperty(r, 'url', {value: address});
        resolve(r);
      };
      x.onerror = function () { reject(new TypeError('cannot load ' + address)); };
      x.send();
    });
  };
})();
/*frames*/
const MARK = '\x01plenwick:';
function report(kind, value) { console.log(MARK + kind + JSON.stringify(value)); }
let menuShown = true;
document.addEventListener('contextmenu', function (e) {
  if (!menuShown) { e.preventDefault(); e.stopImmediatePropagation(); }
}, true);
window.plenwickMenu = function (on) { menuShown = on; };
window.plenwickScale = function (on, w, h) {
  const p = document.querySelector('#box>*');
  if (!p) return;
  p.style.width = on ? '100%' : w + 'px';
  p.style.height = on ? '100%' : h + 'px';
};
window.RufflePlayer = window.RufflePlayer || {};
window.RufflePlayer.config = {
  publicPath: 'plenwick://player/ruffle/', polyfills: false, autoplay: 'on', unmuteOverlay: 'hidden',
  splashScreen: false, preloader: false, letterbox: 'on', warnOnUnsupportedContent: false,
  showSwfDownload: false, openUrlMode: 'deny', allowScriptAccess: true, logLevel: 'error',
  preferredRenderer: 'canvas',/*config*/
};
</script>
<script src="plenwick://player/ruffle/ruffle.js"></script>
</head><body><div id="box"></div>
<script>
(function () {
  try {
    const player = window.RufflePlayer.newest().createPlayer();
    document.getElementById('box').appendChild(player);
    player.addEventListener('loadedmetadata', function () {
      const md = player.ruffle().metadata;
      if (md) report('S', [md.width, md.height]);
    });
    player.ruffle().addFSCommandHandler(function (command, argument) {
      report('C', [String(command), String(argument)]);
      return true;
    });
    player.ruffle().load({url: 'plenwick://player/movie.swf', base: 'plenwick://player/files/'}).then(
      function () { player.ruffle().traceObserver = function (m) { report('T', String(m)); }; },
      function (e) { report('E', String(e)); });
  } catch (e) {
    report('E', String(e));
  }
})();
</script></body></html>
)html";

// Added to the page in frame mode. The page's clock stands still: animation frames and
// performance.now() move only when plenwickFrame asks for more frames of the movie. The player
// runs a frame of the movie whenever the time gathered since its last one reaches a frame's
// period; the clock is moved on by whole periods, with half a period to spare, so that each
// step runs exactly one frame.
const char kFrameScript[] = R"js(
(function () {
  let now = 0, nextId = 1, callbacks = new Map();
  window.requestAnimationFrame = function (cb) { const id = nextId++; callbacks.set(id, cb); return id; };
  window.cancelAnimationFrame = function (id) { callbacks.delete(id); };
  performance.now = function () { return now; };
  // Moves the clock on and runs the animation frames asked for; false when none was.
  function tick(ms) {
    if (callbacks.size === 0) return false;
    now += ms;
    const due = callbacks;
    callbacks = new Map();
    for (const cb of due.values()) cb(now);
    return true;
  }
  let primed = false, framesRun = 0;
  // Runs the movie until `count` frames have run, then answers the picture as a PNG data
  // address; 'E:' and a reason when it can't, 'W' when the player is not ready yet.
  window.plenwickFrame = function (count) {
    const player = document.querySelector('#box>*');
    const md = player && player.ruffle().metadata;
    if (!md) return 'E:the movie is not loaded';
    const period = 1000 / (md.frameRate > 0 ? md.frameRate : 12);
    if (count < framesRun) return 'E:the movie is past that frame';
    if (!primed) {
      if (!tick(0)) return 'W';  // the player has not asked for its first animation frame yet
      primed = true;
    }
    while (framesRun < count) {
      if (!tick(framesRun === 0 ? period * 1.5 : period)) return 'E:the player asks for no frames';
      framesRun++;
    }
    const canvas = player.shadowRoot && player.shadowRoot.querySelector('canvas');
    return canvas ? canvas.toDataURL('image/png') : 'E:the player draws no picture';
  };
})();
)js";

QByteArray MimeType(const QString& path) {
  if (path.endsWith(".js")) return "text/javascript";
  if (path.endsWith(".wasm")) return "application/wasm";
  if (path.endsWith(".swf")) return "application/x-shockwave-flash";
  if (path.endsWith(".html")) return "text/html";
  if (path.endsWith(".xml")) return "text/xml";
  if (path.endsWith(".txt")) return "text/plain";
  return "application/octet-stream";
}

// The file for `relative` inside `root`: refused when it would lie outside, or is no file.
QString FileInside(const QString& root, const QString& relative) {
  if (root.isEmpty()) return {};
  const QString base = QFileInfo(root).canonicalFilePath();
  const QString path = QFileInfo(QDir(base).filePath(relative)).canonicalFilePath();
  if (base.isEmpty() || path.isEmpty() || !path.startsWith(base + "/")) return {};
  return QFileInfo(path).isFile() ? path : QString();
}

class SchemeHandler : public QWebEngineUrlSchemeHandler {
 public:
  explicit SchemeHandler(RuffleView* view) : QWebEngineUrlSchemeHandler(view), view_(view) {}

  void requestStarted(QWebEngineUrlRequestJob* job) override {
    const QUrl url = job->requestUrl();
    if (url.host() != kHost) {
      job->fail(QWebEngineUrlRequestJob::UrlNotFound);
      return;
    }
    const QString path = url.path();
    if (path == "/index.html") {
      Reply(job, "text/html", view_->Page());
    } else if (path == "/movie.swf") {
      Reply(job, "application/x-shockwave-flash", view_->Movie());
    } else if (path.startsWith("/ruffle/")) {
      ReplyFile(job, FileInside(view_->RuffleFolder(), path.mid(8)));
    } else if (path.startsWith("/files/")) {
      ReplyFile(job, FileInside(view_->Folder(), path.mid(7)));
    } else {
      job->fail(QWebEngineUrlRequestJob::UrlNotFound);
    }
  }

 private:
  static void Reply(QWebEngineUrlRequestJob* job, const QByteArray& type, const QByteArray& bytes) {
    auto* buffer = new QBuffer(job);
    buffer->setData(bytes);
    buffer->open(QIODevice::ReadOnly);
    job->reply(type, buffer);
  }
  static void ReplyFile(QWebEngineUrlRequestJob* job, const QString& path) {
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
      job->fail(QWebEngineUrlRequestJob::UrlNotFound);
      return;
    }
    Reply(job, MimeType(path), file.readAll());
  }

  RuffleView* view_;
};

class ReportingPage : public QWebEnginePage {
 public:
  ReportingPage(QWebEngineProfile* profile, RuffleView* view) : QWebEnginePage(profile, view), view_(view) {}

 protected:
  void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message, int, const QString&) override {
    view_->OnConsole(message);
  }

 private:
  RuffleView* view_;
};

}  // namespace

void RegisterPlayerScheme() {
  static bool registered = false;
  if (registered) return;
  registered = true;
  QWebEngineUrlScheme scheme(kScheme);
  scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
  scheme.setFlags(QWebEngineUrlScheme::SecureScheme | QWebEngineUrlScheme::LocalAccessAllowed |
                  QWebEngineUrlScheme::CorsEnabled | QWebEngineUrlScheme::ContentSecurityPolicyIgnored);
  QWebEngineUrlScheme::registerScheme(scheme);
  if (QCoreApplication::instance() == nullptr) QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

RuffleView::RuffleView(const QString& ruffleFolder, QWidget* parent) : QWidget(parent), ruffleFolder_(ruffleFolder) {
  profile_ = new QWebEngineProfile(this);  // off the record: nothing is kept on disk
  profile_->installUrlSchemeHandler(kScheme, new SchemeHandler(this));
  profile_->settings()->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
  view_ = new QWebEngineView(this);
  view_->setPage(new ReportingPage(profile_, this));
  view_->setContextMenuPolicy(Qt::NoContextMenu);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(view_);
}

RuffleView::~RuffleView() {
  // The page goes before its profile, which is deleted with this widget's children.
  QWebEnginePage* page = view_->page();
  delete view_;
  view_ = nullptr;
  delete page;
}

void RuffleView::Play(const QByteArray& movie, const QString& folder) {
  movie_ = movie;
  folder_ = folder;
  view_->setUrl(QUrl(QString("%1://%2/index.html").arg(kScheme, kHost)));
}

void RuffleView::SetFrameMode(int width, int height, bool transparent) {
  frameMode_ = true;
  frameWidth_ = width;
  frameHeight_ = height;
  transparent_ = transparent;
}

QByteArray RuffleView::Page() const {
  QByteArray page(kPage);
  if (frameMode_) {
    page.replace("/*frames*/", kFrameScript);
    if (transparent_) page.replace("/*config*/", " wmode: 'transparent',");
    page.replace("/*box*/", QString("#box>*{width:%1px;height:%2px}").arg(frameWidth_).arg(frameHeight_).toUtf8());
  }
  return page;
}

void RuffleView::RunScript(const QString& script, std::function<void(const QVariant&)> done) {
  view_->page()->runJavaScript(script, std::move(done));
}

void RuffleView::SetScaling(bool scale) {
  scaling_ = scale;
  ApplyScaling();
}

void RuffleView::ApplyScaling() {
  const int w = stageWidth_ > 0 ? stageWidth_ : width();
  const int h = stageHeight_ > 0 ? stageHeight_ : height();
  RunScript(QString("plenwickScale(%1, %2, %3)").arg(scaling_ ? "true" : "false").arg(w).arg(h));
}

void RuffleView::SetMenu(bool show) { RunScript(QString("plenwickMenu(%1)").arg(show ? "true" : "false")); }

void RuffleView::RunScript(const QString& script) { view_->page()->runJavaScript(script); }

void RuffleView::OnConsole(const QString& message) {
  if (!message.startsWith(kMark)) return;
  const QChar kind = message.at(static_cast<int>(sizeof kMark) - 1);
  const QByteArray json = message.mid(static_cast<int>(sizeof kMark)).toUtf8();
  const QJsonDocument doc = QJsonDocument::fromJson("[" + json + "]");
  if (!doc.isArray() || doc.array().size() != 1) return;
  const QJsonValue value = doc.array().at(0);
  if (kind == 'T' && onTrace) {
    onTrace(value.toString());
  } else if (kind == 'C' && onCommand) {
    onCommand(value.toArray().at(0).toString(), value.toArray().at(1).toString());
  } else if (kind == 'S') {
    stageWidth_ = value.toArray().at(0).toInt();
    stageHeight_ = value.toArray().at(1).toInt();
    if (!scaling_) ApplyScaling();
    if (onStageSize) onStageSize(stageWidth_, stageHeight_);
  } else if (kind == 'E' && onFailure) {
    onFailure(value.toString());
  }
}

}  // namespace host::web
