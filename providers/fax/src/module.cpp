// The exported entry points live in the static library; this unit only makes the module.
