#pragma once

#include <QtGlobal>

// One row of a table reached through a BaseDao subclass; recordId is the row's id.
class BaseEntity
{
public:
    BaseEntity() = default;
    BaseEntity(const BaseEntity&) = default;
    BaseEntity& operator=(const BaseEntity&) = default;
    virtual ~BaseEntity() = default;

    qint64 recordId = 0;
};
