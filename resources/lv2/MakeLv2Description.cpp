// Writes the LV2 bundle's description from the instrument itself, so that it
// never drifts from the parameter table or the outputs: manifest.ttl and
// Vornell.ttl (the plug-in with one control port per parameter, its audio
// outputs in stereo groups, the MIDI ports, and the editor).
//
// Usage: vornell_make_lv2_description BUNDLE_DIR MODULE_FILE_NAME
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "instrument/Vornell.h"
#include "plugin/IPlugLV2.h"

namespace {

// A Turtle string literal.
std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

// A number as Turtle reads it (decimal point whatever the locale).
std::string Number(double value) {
  char text[64];
  std::snprintf(text, sizeof(text), "%.9g", value);
  std::string out = text;
  for (char& c : out)
    if (c == ',') c = '.';
  if (out.find_first_of(".eEn") == std::string::npos) out += ".0";
  return out;
}

// A port symbol from a name: lower-case letters, digits and '_', not starting
// with a digit ("(1) Coarse Frequency" -> "t1_coarse_frequency"); unique.
std::string Symbol(const std::string& name, std::set<std::string>& taken) {
  std::string out;
  for (char c : name) {
    if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
      out += c;
    } else if (c >= 'A' && c <= 'Z') {
      out += static_cast<char>(c - 'A' + 'a');
    } else if (!out.empty() && out.back() != '_') {
      out += '_';
    }
  }
  while (!out.empty() && out.back() == '_') out.pop_back();
  if (out.empty() || (out[0] >= '0' && out[0] <= '9')) out = "t" + out;
  std::string unique = out;
  for (int n = 2; taken.count(unique); ++n) unique = out + "_" + std::to_string(n);
  taken.insert(unique);
  return unique;
}

const char* kPrefixes =
    "@prefix atom:  <http://lv2plug.in/ns/ext/atom#> .\n"
    "@prefix bufsz: <http://lv2plug.in/ns/ext/buf-size#> .\n"
    "@prefix doap:  <http://usefulinc.com/ns/doap#> .\n"
    "@prefix foaf:  <http://xmlns.com/foaf/0.1/> .\n"
    "@prefix lv2:   <http://lv2plug.in/ns/lv2core#> .\n"
    "@prefix midi:  <http://lv2plug.in/ns/ext/midi#> .\n"
    "@prefix opts:  <http://lv2plug.in/ns/ext/options#> .\n"
    "@prefix pg:    <http://lv2plug.in/ns/ext/port-groups#> .\n"
    "@prefix rdf:   <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
    "@prefix rdfs:  <http://www.w3.org/2000/01/rdf-schema#> .\n"
    "@prefix rsz:   <http://lv2plug.in/ns/ext/resize-port#> .\n"
    "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
    "@prefix time:  <http://lv2plug.in/ns/ext/time#> .\n"
    "@prefix ui:    <http://lv2plug.in/ns/extensions/ui#> .\n"
    "@prefix urid:  <http://lv2plug.in/ns/ext/urid#> .\n\n";

std::string Manifest(const std::string& module) {
  std::ostringstream out;
  out << kPrefixes;
  out << "<" << kLv2PluginUri << ">\n    a lv2:Plugin , lv2:InstrumentPlugin ;\n    lv2:binary <" << module
      << "> ;\n    rdfs:seeAlso <Vornell.ttl> .\n\n";
  out << "<" << kLv2UiUri << ">\n    a ui:X11UI ;\n    lv2:binary <" << module
      << "> ;\n    rdfs:seeAlso <Vornell.ttl> .\n";
  return out.str();
}

std::string Description(Vornell& plug) {
  std::ostringstream out;
  out << kPrefixes;
  const std::string base = kLv2PluginUri;
  // One stereo group per output pair, named after the pair's left output
  // ("Sum L" -> "Sum"); the first is the main output.
  const int outputs = plug.NumOutputChannels();
  auto groupName = [&plug](int pair) {
    std::string label = plug.GetOutputChannel(2 * pair)->label;
    if (label.size() > 2 && label.compare(label.size() - 2, 2, " L") == 0) label.resize(label.size() - 2);
    return label;
  };
  std::set<std::string> groupSymbols;
  std::string groups[64];
  for (int pair = 0; pair < outputs / 2 && pair < 64; ++pair) {
    groups[pair] = Symbol(groupName(pair), groupSymbols);
    out << "<" << base << "#" << groups[pair] << ">\n    a pg:StereoGroup , pg:OutputGroup ;\n    lv2:symbol "
        << Quoted(groups[pair]) << " ;\n    rdfs:label " << Quoted(groupName(pair)) << " .\n\n";
  }

  out << "<" << base << ">\n    a lv2:Plugin , lv2:InstrumentPlugin , doap:Project ;\n"
      << "    doap:name \"Vornell\" ;\n"
      << "    doap:maintainer [ foaf:name " << Quoted(kVendorName) << " ] ;\n"
      << "    lv2:minorVersion " << ((kVendorVersion >> 8) & 0xff) << " ;\n"
      << "    lv2:microVersion " << (kVendorVersion & 0xff) << " ;\n"
      << "    lv2:requiredFeature urid:map ;\n"
      << "    lv2:optionalFeature opts:options ;\n"
      << "    opts:supportedOption bufsz:maxBlockLength , bufsz:nominalBlockLength ;\n"
      << "    lv2:extensionData state:interface ;\n"
      << "    ui:ui <" << kLv2UiUri << "> ;\n";
  if (outputs >= 2) out << "    pg:mainOutput <" << base << "#" << groups[0] << "> ;\n";

  std::set<std::string> symbols;
  int port = 0;
  out << "    lv2:port ";
  // Ports in the adapter's order: parameters, audio outputs, MIDI in, MIDI out.
  for (int i = 0; i < plug.NumParams(); ++i, ++port) {
    const PlugParam& p = *plug.GetParam(i);
    out << "[\n        a lv2:InputPort , lv2:ControlPort ;\n        lv2:index " << port << " ;\n        lv2:symbol "
        << Quoted(Symbol(p.Name(), symbols)) << " ;\n        lv2:name " << Quoted(p.Name())
        << " ;\n        lv2:default " << Number(p.Default()) << " ;\n        lv2:minimum " << Number(p.Min())
        << " ;\n        lv2:maximum " << Number(p.Max()) << " ;\n";
    switch (p.Kind()) {
      case ParamKind::Switch:
        out << "        lv2:portProperty lv2:toggled ;\n";
        break;
      case ParamKind::Integer:
        out << "        lv2:portProperty lv2:integer ;\n";
        break;
      case ParamKind::List:
        out << "        lv2:portProperty lv2:integer , lv2:enumeration ;\n";
        break;
      default:
        break;
    }
    if (p.Kind() != ParamKind::Switch) {
      for (int t = 0; t < p.NumDisplayTexts(); ++t) {
        int value = 0;
        const char* text = p.GetDisplayTextAt(t, &value);
        out << "        lv2:scalePoint [ rdfs:label " << Quoted(text) << " ; rdf:value " << Number(value) << " ] ;\n";
      }
    }
    out << "    ] , ";
  }
  for (int i = 0; i < outputs; ++i, ++port) {
    const std::string label = plug.GetOutputChannel(i)->label;
    out << "[\n        a lv2:OutputPort , lv2:AudioPort ;\n        lv2:index " << port << " ;\n        lv2:symbol "
        << Quoted(Symbol(label, symbols)) << " ;\n        lv2:name " << Quoted(label) << " ;\n";
    if (i / 2 < outputs / 2) {
      out << "        pg:group <" << base << "#" << groups[i / 2] << "> ;\n        lv2:designation "
          << (i % 2 == 0 ? "pg:left" : "pg:right") << " ;\n";
    }
    out << "    ] , ";
  }
  out << "[\n        a lv2:InputPort , atom:AtomPort ;\n        lv2:index " << port++
      << " ;\n        lv2:symbol \"events_in\" ;\n        lv2:name \"MIDI In\" ;\n"
      << "        atom:bufferType atom:Sequence ;\n        atom:supports midi:MidiEvent , time:Position ;\n"
      << "        lv2:designation lv2:control ;\n    ] , ";
  out << "[\n        a lv2:OutputPort , atom:AtomPort ;\n        lv2:index " << port++
      << " ;\n        lv2:symbol \"events_out\" ;\n        lv2:name \"MIDI Out\" ;\n"
      << "        atom:bufferType atom:Sequence ;\n        atom:supports midi:MidiEvent ;\n"
      << "        rsz:minimumSize 65536 ;\n    ] .\n\n";

  out << "<" << kLv2UiUri << ">\n    a ui:X11UI ;\n"
      << "    lv2:requiredFeature ui:idleInterface , ui:parent , <http://lv2plug.in/ns/ext/instance-access> ;\n"
      << "    lv2:optionalFeature ui:resize , ui:touch , ui:noUserResize ;\n"
      << "    lv2:extensionData ui:idleInterface .\n";
  return out.str();
}

bool WriteFile(const std::string& path, const std::string& text) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << text;
  return static_cast<bool>(file.flush());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s BUNDLE_DIR MODULE_FILE_NAME\n", argv[0]);
    return 2;
  }
  const std::string bundle = argv[1];
  VornellStartup startup;
  startup.loadPresetBank = false;
  Vornell plug(startup);
  if (!WriteFile(bundle + "/manifest.ttl", Manifest(argv[2])) ||
      !WriteFile(bundle + "/Vornell.ttl", Description(plug))) {
    std::fprintf(stderr, "cannot write into %s\n", bundle.c_str());
    return 1;
  }
  return 0;
}
