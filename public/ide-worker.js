// Entry point of Monaco's background worker (tokenising, diffing, word suggestions).
// The editor page names this file in MonacoEnvironment.getWorkerUrl, so the worker starts
// from a fixed path of this server and loads the rest of Monaco from /vendor/monaco/.
self.MonacoEnvironment = {baseUrl: self.location.origin + '/vendor/monaco/'};
importScripts(self.location.origin + '/vendor/monaco/vs/base/worker/workerMain.js');
