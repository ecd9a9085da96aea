#include "preloader/ProjectDocument.h"

#include <cstring>

#include "platform/XmlDocument.h"
#include "platform/XmlWriter.h"
#include "preloader/PreloaderData.h"

namespace {

void SetError(std::string* error, std::string text) {
  if (error != nullptr) *error = std::move(text);
}

bool WriteDocument(const WideString& path, const PreloaderData& project, const XmlWriterOptions& options, bool withRoot,
                   std::string* error) {
  XmlWriter w;
  if (!w.Open(path, options, true)) {
    SetError(error, std::string("cannot create the file: ") + std::strerror(w.LastError() != 0 ? w.LastError() : EIO));
    return false;
  }
  if (withRoot) w.WriteRaw(L"<plenwick version_major=\"1\" version_minor=\"210\">\n");
  project.WriteXml(w);
  if (withRoot) w.WriteRaw(L"</plenwick>\n");
  if (!w.Close()) {
    SetError(error, std::string("cannot write the file: ") + std::strerror(w.LastError() != 0 ? w.LastError() : EIO));
    return false;
  }
  return true;
}

// Reads every "preloader_data" child of the element, in order (the last one decides).
void ReadProjectElements(const XmlElement& parent, PreloaderData& project) {
  XmlChildren children;
  XmlElement child;
  if (!parent.GetChildren(children)) return;
  for (int i = 0; children.GetChild(i, child); ++i) {
    if (child.IsElement() && child.GetName() == L"preloader_data") project.ReadXml(child);
  }
}

// Clears the keep-selections switch for the time of a file read and sets it again after.
class SelectionsNotKept {
 public:
  SelectionsNotKept() { PreloaderData::KeepSelectionsOnRead = false; }
  ~SelectionsNotKept() { PreloaderData::KeepSelectionsOnRead = true; }
};

}  // namespace

const host::xml::Limits& ProjectDocumentLimits() {
  static const host::xml::Limits limits = [] {
    host::xml::Limits l;
    l.maxInputBytes = 8u * 1024 * 1024;
    l.maxNodes = 100000;
    l.maxAttributes = 256;
    l.maxValueBytes = 1024 * 1024;
    l.maxTreeBytes = 64u * 1024 * 1024;
    return l;
  }();
  return limits;
}

bool SaveProjectFile(const WideString& path, const PreloaderData& project, std::string* error) {
  XmlWriterOptions options;
  options.fileType = kProjectFileType;
  options.creator = kProjectFileCreator;
  return WriteDocument(path, project, options, true, error);
}

bool OpenProjectFile(const WideString& path, PreloaderData& project, std::string* error) {
  XmlDocument document(ProjectDocumentLimits());
  if (!document.Load(path)) {
    SetError(error, document.LastError());
    return false;
  }
  XmlElement root;
  if (!document.GetRootElement(root)) {
    SetError(error, "the document is empty");
    return false;
  }
  // The project root: the first "plenwick" inside the header element, or the root itself
  // when the file starts with an XML declaration instead of the header element.
  XmlElement projectRoot;
  if (root.GetName() == L"plenwick") {
    projectRoot = root;
  } else {
    XmlChildren children;
    XmlElement child;
    if (root.GetChildren(children)) {
      for (int i = 0; children.GetChild(i, child); ++i) {
        if (child.IsElement() && child.GetName() == L"plenwick") {
          projectRoot = child;
          break;
        }
      }
    }
  }
  if (projectRoot.IsEmpty()) {
    SetError(error, "the file is no project");
    return false;
  }
  SelectionsNotKept scope;
  ReadProjectElements(projectRoot, project);
  return true;
}

bool WriteProjectSnapshot(const WideString& path, const PreloaderData& project, std::string* error) {
  return WriteDocument(path, project, XmlWriterOptions(), false, error);
}

bool ReadProjectSnapshot(const WideString& path, PreloaderData& project, std::string* error) {
  XmlDocument document(ProjectDocumentLimits());
  XmlElement root;
  if (!document.Load(path)) {
    SetError(error, document.LastError());
    return false;
  }
  if (!document.GetRootElement(root)) {
    SetError(error, "the document is empty");
    return false;
  }
  ReadProjectElements(root, project);
  return true;
}
