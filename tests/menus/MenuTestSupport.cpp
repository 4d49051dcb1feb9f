#include "tests/menus/MenuTestSupport.h"

#include <cmath>
#include <mutex>

#include "editor/VornellEditor.h"
#include "programs/ParameterTable.h"

void MenuFixture::SetUp() {
  VornellEditorFixture::SetUp();
  ASSERT_TRUE(OpenEditor());
  ASSERT_FALSE(folder.Path().empty());
}

IGraphics& MenuFixture::Graphics() {
  return *VornellEditor::Of(*plug)->Graphics();
}

void MenuFixture::SetPlain(int index, double plain) {
  std::lock_guard lock(plug->Mutex());
  plug->SetParamFromEditor(index, plug->GetParam(index)->ToNormalized(plain));
}

int MenuFixture::VoiceValue(int t, int k) {
  std::lock_guard lock(plug->Mutex());
  return static_cast<int>(std::lround(plug->GetParam(VoiceParamIndex(t, k))->Value()));
}

std::vector<std::string> MenuFixture::Messages() {
  std::vector<std::string> texts;
  for (const HeadlessWindowSystem::ShownMessage& m : Window().messagesShown) texts.push_back(m.caption + "|" + m.text);
  return texts;
}
