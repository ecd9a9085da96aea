// XML documents: escaping and formatting values, and parsing a project-sized document.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/XmlDocument.h"
#include "platform/XmlText.h"

namespace {

std::string MakeDocument(int elements) {
  std::string doc = "<xml version=\"1.0\" encoding=\"UTF-8\">\n<plenwick version_major=\"1\" version_minor=\"210\">\n";
  for (int i = 0; i < elements; ++i) {
    doc += "<load_message txt=\"";
    AppendXmlEscaped(doc, L"Loading <" + std::to_wstring(i) + L"> & \u00E9\u20AC \U0001F600\n");
    doc += "\" x=\"" + XmlFormatLong(i) + "\" fps=\"" + XmlFormatDouble(i * 0.37) + "\" />\n";
  }
  doc += "</plenwick>\n</xml>\n";
  return doc;
}

void BM_EscapeText(benchmark::State& state) {
  const std::wstring text = L"A message with <markup> & \"quotes\", \u00E9 and \U0001F600 and a line\n";
  std::string out;
  for (auto _ : state) {
    out.clear();
    AppendXmlEscaped(out, text);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_EscapeText);

void BM_FormatDouble(benchmark::State& state) {
  double v = 0.1;
  for (auto _ : state) {
    benchmark::DoNotOptimize(XmlFormatDouble(v));
    v += 1.37;
  }
}
BENCHMARK(BM_FormatDouble);

void BM_ParseDocument(benchmark::State& state) {
  const std::string doc = MakeDocument(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    XmlDocument d;
    benchmark::DoNotOptimize(d.Parse(doc));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(doc.size()));
}
BENCHMARK(BM_ParseDocument)->Arg(100)->Arg(10000);

}  // namespace
