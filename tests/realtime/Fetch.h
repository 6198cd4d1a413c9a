#pragma once

#include <QTest>

/// A column of the current data row, for use inside an expression.
#define QFETCH_TYPE(Type, name) (*static_cast<Type*>(QTest::qData(#name, qMetaTypeId<Type>())))
