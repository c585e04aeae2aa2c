// Replaced by the XML writers.
