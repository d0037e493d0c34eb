// Drawing bitmaps stretched onto devices.
