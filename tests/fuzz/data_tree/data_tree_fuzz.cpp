// Data trees on arbitrary document bytes: load, then walk every element through element
// objects (any name and the first child's name), reading attributes and releasing every
// reference. Checked for any input: the walk reaches exactly the elements of the document and
// every object handed out is released (a leak fails the run).
#include <tinyxml2.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "core/data/data_table.h"
#include "core/data/data_tree.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

int CountElements(const tinyxml2::XMLElement* element) {
  int count = 1;
  for (const tinyxml2::XMLElement* c = element->FirstChildElement(); c != nullptr; c = c->NextSiblingElement())
    count += CountElements(c);
  return count;
}

// Visits `element` and everything below it; returns the number of elements seen.
int Walk(ds::IDataTreeElement* element) {
  int seen = 1;
  (void)element->GetString("name");
  (void)element->GetInteger("value");
  (void)element->GetFloat("value");
  tinyxml2::XMLElement* first = element->FirstChild(nullptr);
  if (first == nullptr) {
    FUZZ_CHECK(element->IsEnd() == 1 && element->GetChild() == nullptr, "leaf");
    return seen;
  }
  // Children of the first child's name only: at least that one, never more than all.
  int named = 0;
  for (tinyxml2::XMLElement* c = element->FirstChild(first->Name()); c != nullptr; c = element->NextChild()) {
    FUZZ_CHECK(std::strcmp(c->Name(), first->Name()) == 0, "child name");
    ++named;
  }
  int all = 0;
  for (element->FirstChild(nullptr); !element->IsEnd(); element->NextChild()) {
    ++all;
    ds::IDataTreeElement* child = element->GetChild();
    FUZZ_CHECK(child != nullptr, "child of a cursor");
    FUZZ_CHECK(child->IsEnd() == 1, "new child's cursor");
    seen += Walk(child);
    FUZZ_CHECK(child->Release() == 0, "child references");
  }
  FUZZ_CHECK(named >= 1 && named <= all, "named children");
  return seen;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  corvane_fuzz::WriteInputFile(corvane_fuzz::WorkFile("tree.xml"), data, size);

  tinyxml2::XMLDocument reference;
  const bool parsed = ds::ParseXmlDocument(reference, reinterpret_cast<const char*>(data), size) == 1;
  const tinyxml2::XMLElement* reference_root = parsed ? reference.RootElement() : nullptr;

  ds::IDataTree* tree = ds::CreateXMLDataTree();
  const int loaded = tree->Load("/tree.xml");
  FUZZ_CHECK(loaded == (reference_root != nullptr ? 1 : 0), "Load against the XML reader");
  ds::IDataTreeElement* root = tree->GetRoot();
  FUZZ_CHECK((root != nullptr) == (loaded == 1), "root");
  if (root != nullptr) {
    FUZZ_CHECK(Walk(root) == CountElements(reference_root), "elements walked");
    FUZZ_CHECK(root->Release() == 0, "root references");
  }
  ds::DestroyXMLDataTree(tree);
  return 0;
}
