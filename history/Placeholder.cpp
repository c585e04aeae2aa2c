// Replaced by the access layer.
