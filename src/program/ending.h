#pragma once
// Ending the program on requests from outside its windows (signals, a lost
// display) through the same steps as its own commands.

// Starts listening for SIGTERM, SIGINT, SIGHUP and the loss of the display.
void watchEndRequests();

// Ends as the "Exit" command of the window on screen does: the path is
// stored, devices are released. During a scanner run, once the page under
// way is written.
void endInOrder();
