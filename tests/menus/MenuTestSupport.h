#pragma once
// The real instrument with its editor open on the headless window system,
// and shortcuts for answering its menus, questions and file dialogs.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "graphics/HeadlessWindowSystem.h"
#include "graphics/IGraphics.h"
#include "tests/editor/EditorTestSupport.h"
#include "tests/support/TempFolder.h"

class MenuFixture : public VornellEditorFixture {
 protected:
  void SetUp() override;

  IGraphics& Graphics();
  // Queues the answers the next menu, question or dialog gets.
  void AnswerMenu(std::vector<int> path) { Window().menuAnswers.push_back(std::move(path)); }
  void AnswerMessage(int answer) { Window().messageAnswers.push_back(answer); }
  void AnswerFile(std::optional<std::string> path) { Window().fileAnswers.push_back(std::move(path)); }
  // Sets a parameter from its plain value as the editor does.
  void SetPlain(int index, double plain);
  // The live value of voice parameter k of track t as a program byte.
  int VoiceValue(int t, int k);
  // "caption|text" of every message box shown so far.
  std::vector<std::string> Messages();
  std::string LastStatus() { return plug->StatusText(); }

  TempFolder folder;
};
