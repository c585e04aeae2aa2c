#pragma once

#include <QString>
#include <QVariantList>

// A statement for the access layer: SQL text with "?" markers and the values bound to them, in order.
struct SqlStatement
{
    SqlStatement(QString text = {}, QVariantList values = {})
        : sql(std::move(text)), parameters(std::move(values))
    {
    }

    QString sql;
    QVariantList parameters;
};
