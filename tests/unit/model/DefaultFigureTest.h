#pragma once
// The generated default model, read once for a suite, and a figure built from it at rest for each
// test.
#include "DefaultModel.h"
#include "Figure.h"
#include "KvtDoc.h"

#include <gtest/gtest.h>

namespace figurant::test {

class DefaultFigureTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        doc = new CKvtDoc();
        doc->Load(DefaultModelPath(), DefaultNormalsPath());
        doc->BuildHierarchy();
    }
    static void TearDownTestSuite() {
        delete doc;
        doc = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(doc->Model()) << "the build writes " << DefaultModelPath();
        Build(figure);
    }
    static void Build(Figure& f) { f.Build(doc->Tables(), 1.0f, doc->ModelCentre()); }

    inline static CKvtDoc* doc = nullptr;
    Figure figure;
};

} // namespace figurant::test
