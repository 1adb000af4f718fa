#pragma once

#include <QString>

namespace levy {

// The help file is HTML; each topic starts at a line <h1><a name="NNN"></a>Title</h1> and
// runs to the next topic's heading or the end of the body.

// The text of a topic, or a page that explains why the file or the topic is missing.
QString HelpTopicHtml(const QString& helpFile, int context, QString* title = nullptr);

// A page that links every topic of the file, by its title.
QString HelpContentsHtml(const QString& helpFile);

} // namespace levy
