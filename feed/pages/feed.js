// Bodovka live feed
